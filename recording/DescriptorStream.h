#pragma once

#include <tiostream.h>

namespace recording {

// A file open at a descriptor as TagLib reads and edits it, keeping the first error. TagLib's
// own file stream lets a write the disk refused pass unnoticed, and a file cut short would
// then be put in place as if whole. Data is moved a piece at a time, so memory stays small
// however long the recording; where tags grow, the file is lengthened first, so a full disk
// stops the work before any byte of the sound is overwritten.
class DescriptorStream : public TagLib::IOStream
{
public:
    explicit DescriptorStream(int descriptor) : m_descriptor(descriptor) {}

    // The error number of the first operation that failed, 0 while none has.
    int error() const { return m_error; }

    TagLib::FileName name() const override { return ""; }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector& data) override;
    void insert(const TagLib::ByteVector& data, unsigned long start,
                unsigned long replace) override;
    void removeBlock(unsigned long start, unsigned long length) override;
    bool readOnly() const override { return false; }
    bool isOpen() const override { return m_descriptor >= 0; }
    void seek(long offset, Position from) override;
    long tell() const override { return m_position; }
    long length() override;
    void truncate(long length) override;

private:
    // Copies [from, from + size) to at, the last piece first when moving towards the end.
    bool move(long from, long at, long size);
    bool writeAt(long at, const char* data, long size);
    void failed();

    int m_descriptor;
    long m_position = 0;
    int m_error = 0;
};

} // namespace recording
