#include "recording/BookTagWriter.h"

#include "platform/FileError.h"
#include "recording/DescriptorStream.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixelFormat>
#include <attachedpictureframe.h>
#include <chapterframe.h>
#include <cmath>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <tableofcontentsframe.h>
#include <textidentificationframe.h>
#include <vorbisfile.h>
#include <xiphcomment.h>

namespace recording {

namespace {

TagLib::String tagString(const QString& text)
{
    return {text.toUtf8().constData(), TagLib::String::UTF8};
}

TagLib::ByteVector bytes(const QByteArray& data)
{
    return {data.constData(), static_cast<unsigned int>(data.size())};
}

// The n-th chapter's comment name (from 1): CHAPTER001, ..., CHAPTER999, CHAPTER1000.
QString chapterKey(qsizetype n)
{
    return QStringLiteral("CHAPTER%1").arg(n, 3, 10, QLatin1Char('0'));
}

QString commentTime(qint64 ms)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// A FLAC picture block, also the form Ogg comments carry a picture in. Readers want the size
// and depth filled in; they come from the image's header.
TagLib::FLAC::Picture* coverPicture(const BookTags& tags)
{
    QByteArray data = tags.cover;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const QImageReader reader(&buffer);
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(tagString(tags.coverMimeType));
    picture->setData(bytes(tags.cover));
    picture->setWidth(reader.size().width());
    picture->setHeight(reader.size().height());
    picture->setColorDepth(QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel());
    return picture;
}

TagLib::ID3v2::TextIdentificationFrame* textFrame(const char* id, const QString& text)
{
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(tagString(text));
    return frame;
}

// What the tags are written from: the tags, and the sound's rate and length their chapters
// are counted in.
struct Book
{
    const BookTags& tags;
    int sampleRate = 1;
    qint64 totalSamples = 0;

    qint64 milliseconds(qint64 sample) const
    {
        return std::llround(double(sample) * 1000.0 / sampleRate);
    }
    // A chapter ends where the next starts, the last one with the sound.
    qint64 endOf(qsizetype chapter) const
    {
        return chapter + 1 < tags.chapters.size() ? tags.chapters.at(chapter + 1).sample
                                                  : totalSamples;
    }
};

bool writeMpeg(TagLib::IOStream& stream, const Book& book)
{
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid()) {
        return false;
    }
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    for (const char* id : {"CHAP", "CTOC", "APIC"}) {
        tag->removeFrames(id);
    }
    if (!book.tags.title.isEmpty()) {
        tag->setTitle(tagString(book.tags.title));
    }
    if (!book.tags.author.isEmpty()) {
        tag->setArtist(tagString(book.tags.author));
    }
    TagLib::ByteVectorList children;
    for (qsizetype i = 0; i < book.tags.chapters.size(); ++i) {
        const ChapterMark& chapter = book.tags.chapters.at(i);
        const TagLib::ByteVector id = bytes("chp" + QByteArray::number(i + 1));
        // No byte offsets: 0xFFFFFFFF says so, and readers go by the times.
        auto* frame = new TagLib::ID3v2::ChapterFrame(
            id, static_cast<unsigned int>(book.milliseconds(chapter.sample)),
            static_cast<unsigned int>(book.milliseconds(book.endOf(i))), 0xFFFFFFFF, 0xFFFFFFFF);
        frame->addEmbeddedFrame(textFrame("TIT2", chapter.title));
        tag->addFrame(frame);
        children.append(id);
    }
    if (!children.isEmpty()) {
        auto* contents = new TagLib::ID3v2::TableOfContentsFrame("toc", children);
        contents->setIsTopLevel(true);
        contents->setIsOrdered(true);
        tag->addFrame(contents);
    }
    if (!book.tags.cover.isEmpty()) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setMimeType(tagString(book.tags.coverMimeType));
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(bytes(book.tags.cover));
        tag->addFrame(picture);
    }
    // The encoder's ID3v1 tag at the end keeps the old title otherwise.
    int kinds = TagLib::MPEG::File::ID3v2;
    if (file.hasID3v1Tag()) {
        kinds |= TagLib::MPEG::File::ID3v1;
        if (!book.tags.title.isEmpty()) {
            file.ID3v1Tag()->setTitle(tagString(book.tags.title));
        }
        if (!book.tags.author.isEmpty()) {
            file.ID3v1Tag()->setArtist(tagString(book.tags.author));
        }
    }
    return file.save(kinds, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

void fillComment(TagLib::Ogg::XiphComment& comment, const Book& book)
{
    if (!book.tags.title.isEmpty()) {
        comment.addField("TITLE", tagString(book.tags.title), true);
    }
    if (!book.tags.author.isEmpty()) {
        comment.addField("ARTIST", tagString(book.tags.author), true);
    }
    for (qsizetype i = 0; i < book.tags.chapters.size(); ++i) {
        const ChapterMark& chapter = book.tags.chapters.at(i);
        const QString key = chapterKey(i + 1);
        comment.addField(tagString(key), tagString(commentTime(book.milliseconds(chapter.sample))),
                         true);
        comment.addField(tagString(key + QStringLiteral("NAME")), tagString(chapter.title), true);
    }
}

bool writeFlac(TagLib::IOStream& stream, const Book& book)
{
    TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid()) {
        return false;
    }
    fillComment(*file.xiphComment(true), book);
    if (!book.tags.cover.isEmpty()) {
        file.removePictures();
        file.addPicture(coverPicture(book.tags));
    }
    return file.save();
}

bool writeOgg(TagLib::IOStream& stream, SoundFormat format, const Book& book)
{
    const auto fill = [&book](auto& file) {
        if (!file.isValid()) {
            return false;
        }
        TagLib::Ogg::XiphComment& comment = *file.tag();
        fillComment(comment, book);
        if (!book.tags.cover.isEmpty()) {
            comment.removeAllPictures();
            comment.addPicture(coverPicture(book.tags));
        }
        return file.save();
    };
    if (format == SoundFormat::Opus) {
        TagLib::Ogg::Opus::File file(&stream, false);
        return fill(file);
    }
    TagLib::Ogg::Vorbis::File file(&stream, false);
    return fill(file);
}

} // namespace

BookTagWriter::BookTagWriter(const BookTags& tags, int sampleRate, qint64 totalSamples)
    : m_tags(tags), m_sampleRate(std::max(sampleRate, 1)), m_totalSamples(totalSamples)
{
}

platform::Result<void> BookTagWriter::write(int descriptor, SoundFormat format) const
{
    const Book book{m_tags, m_sampleRate, m_totalSamples};
    DescriptorStream stream(descriptor);
    bool written = true;
    switch (format) {
    case SoundFormat::Mp3:
        written = writeMpeg(stream, book);
        break;
    case SoundFormat::Flac:
        written = writeFlac(stream, book);
        break;
    case SoundFormat::OggVorbis:
    case SoundFormat::Opus:
        written = writeOgg(stream, format, book);
        break;
    case SoundFormat::Wave:
    case SoundFormat::M4b:
        break; // tagged as they are written
    }
    if (stream.error() != 0) {
        return platform::Failure{platform::fileErrorText(stream.error())};
    }
    if (!written) {
        return platform::Failure{
            QStringLiteral("the title, author, chapters and cover could not be written into "
                           "the %1 file")
                .arg(extension(format))};
    }
    return {};
}

} // namespace recording
