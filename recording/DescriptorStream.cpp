#include "recording/DescriptorStream.h"

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace recording {

namespace {

constexpr long MoveStep = 1L << 20;

} // namespace

void DescriptorStream::failed()
{
    if (m_error == 0) {
        m_error = errno != 0 ? errno : EIO;
    }
}

TagLib::ByteVector DescriptorStream::readBlock(unsigned long length)
{
    TagLib::ByteVector data(static_cast<unsigned int>(length), 0);
    const ssize_t read = ::pread(m_descriptor, data.data(), length, m_position);
    if (read < 0) {
        failed();
        return {};
    }
    data.resize(static_cast<unsigned int>(read));
    m_position += read;
    return data;
}

bool DescriptorStream::writeAt(long at, const char* data, long size)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(m_descriptor, data, size_t(size), at);
        if (written <= 0) {
            failed();
            return false;
        }
        data += written;
        at += written;
        size -= written;
    }
    return true;
}

void DescriptorStream::writeBlock(const TagLib::ByteVector& data)
{
    if (writeAt(m_position, data.data(), long(data.size()))) {
        m_position += long(data.size());
    }
}

bool DescriptorStream::move(long from, long at, long size)
{
    QByteArray piece;
    for (long done = 0; done < size;) {
        const long step = std::min(MoveStep, size - done);
        // Towards the end: from the last piece back, so nothing is overwritten before it is
        // read. Towards the start: from the first piece on.
        const long offset = at > from ? size - done - step : done;
        piece.resize(step);
        if (::pread(m_descriptor, piece.data(), size_t(step), from + offset) != step) {
            failed();
            return false;
        }
        if (!writeAt(at + offset, piece.constData(), step)) {
            return false;
        }
        done += step;
    }
    return true;
}

void DescriptorStream::insert(const TagLib::ByteVector& data, unsigned long start,
                              unsigned long replace)
{
    const long end = length();
    const long tail = long(start + replace);
    const long shift = long(data.size()) - long(replace);
    if (m_error != 0 || (shift != 0 && !move(tail, tail + shift, std::max(0L, end - tail)))) {
        return;
    }
    if (shift < 0 && ::ftruncate(m_descriptor, end + shift) != 0) {
        failed();
        return;
    }
    if (writeAt(long(start), data.data(), long(data.size()))) {
        m_position = long(start) + long(data.size());
    }
}

void DescriptorStream::removeBlock(unsigned long start, unsigned long length)
{
    insert({}, start, length);
}

void DescriptorStream::seek(long offset, Position from)
{
    switch (from) {
    case Beginning:
        m_position = offset;
        break;
    case Current:
        m_position += offset;
        break;
    case End:
        m_position = length() + offset;
        break;
    }
}

long DescriptorStream::length()
{
    struct stat status = {};
    if (::fstat(m_descriptor, &status) != 0) {
        failed();
        return 0;
    }
    return long(status.st_size);
}

void DescriptorStream::truncate(long length)
{
    if (::ftruncate(m_descriptor, length) != 0) {
        failed();
    }
}

} // namespace recording
