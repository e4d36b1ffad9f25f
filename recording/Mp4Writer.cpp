#include "recording/Mp4Writer.h"

#include <algorithm>
#include <climits>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace recording {

namespace {

// The movie's own clock, and the chapter track's: milliseconds.
constexpr int MovieTimescale = 1000;
// A chunk (samples the index finds in one place) stays below this many bytes.
constexpr qint64 ChunkLimit = qint64(1) << 20;
constexpr int TrackEnabled = 0x1;
constexpr int TrackInMovie = 0x2;
constexpr quint16 UndeterminedLanguage = 0x55C4; // "und", five bits a letter
constexpr quint32 JpegCover = 0xD;
constexpr quint32 PngCover = 0xE;
constexpr quint8 AacObjectType = 0x40;
constexpr int AudioStreamType = 0x15;
// Players keep this many chapters of the short list, and this many bytes of a title.
constexpr int ChapterListLength = 255;
constexpr int ChapterListTitle = 255;
// The chapter list counts in 100 ns.
constexpr int ChapterListRate = 10000000;

// The text sample description a chapter track needs: no style, one unnamed font.
constexpr unsigned char TextSampleEntry[] = {
    0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x0D, 'f',  't',  'a',  'b',  0x00, 0x01, 0x00, 0x01, 0x00};
// A chapter sample's tail: its text is UTF-8.
constexpr unsigned char TextEncoding[] = {0x00, 0x00, 0x00, 0x0C, 'e',  'n',
                                          'c',  'd',  0x00, 0x00, 0x01, 0x00};

// Big-endian fields and boxes, appended to bytes; a box's size is filled in once its content
// is written.
class Boxes
{
public:
    explicit Boxes(QByteArray& bytes) : m_bytes(bytes) {}

    void u8(quint32 value) { m_bytes.append(char(value & 0xFF)); }
    void u16(quint32 value)
    {
        u8(value >> 8);
        u8(value);
    }
    void u24(quint32 value)
    {
        u8(value >> 16);
        u16(value);
    }
    void u32(quint32 value)
    {
        u16(value >> 16);
        u16(value);
    }
    void u64(quint64 value)
    {
        u32(quint32(value >> 32));
        u32(quint32(value));
    }
    // A 32- or 64-bit field.
    void field(bool wide, quint64 value) { wide ? u64(value) : u32(quint32(value)); }
    void type(const char* name) { m_bytes.append(name, 4); }
    void bytes(const QByteArray& bytes) { m_bytes.append(bytes); }
    void bytes(const unsigned char* bytes, qsizetype size)
    {
        m_bytes.append(reinterpret_cast<const char*>(bytes), size);
    }
    void zeros(qsizetype count) { m_bytes.append(count, '\0'); }

    qsizetype open(const char* name)
    {
        const qsizetype at = m_bytes.size();
        u32(0);
        type(name);
        return at;
    }
    void close(qsizetype at)
    {
        const quint32 size = quint32(m_bytes.size() - at);
        for (int i = 0; i < 4; ++i) {
            m_bytes[at + i] = char(size >> (24 - 8 * i));
        }
    }

    // An MPEG-4 descriptor's tag and size, the size always in four bytes.
    void descriptor(int tag, quint32 size)
    {
        u8(tag);
        u8((size >> 21) | 0x80);
        u8((size >> 14) | 0x80);
        u8((size >> 7) | 0x80);
        u8(size & 0x7F);
    }

    void identityMatrix()
    {
        for (const quint32 value :
             {0x00010000U, 0U, 0U, 0U, 0x00010000U, 0U, 0U, 0U, 0x40000000U}) {
            u32(value);
        }
    }

    qsizetype size() const { return m_bytes.size(); }

private:
    QByteArray& m_bytes;
};

qint64 rescale(qint64 value, qint64 to, qint64 from, AVRounding rounding)
{
    return av_rescale_rnd(value, to, from, rounding);
}

// A string tag of the iTunes list: a data box of UTF-8 text. Empty values are left out.
void stringTag(Boxes& out, const char* name, const QByteArray& value)
{
    if (value.isEmpty()) {
        return;
    }
    const qsizetype tag = out.open(name);
    out.u32(quint32(16 + value.size()));
    out.type("data");
    out.u32(1); // UTF-8
    out.u32(0);
    out.bytes(value);
    out.close(tag);
}

void handler(Boxes& out, const char* type, const char* name)
{
    const qsizetype box = out.open("hdlr");
    out.u32(0);
    out.zeros(4);
    out.type(type);
    out.zeros(12);
    out.bytes(QByteArray(name));
    out.u8(0);
    out.close(box);
}

} // namespace

bool Mp4Writer::Track::add(qint64 offset, qsizetype size, qint64 time, qint64 sampleDuration)
{
    if (size > 0xFFFF || sampleDuration < 0 || sampleDuration > INT_MAX) {
        return false;
    }
    // A sample never starts before the one before it.
    const qint64 previous = count() > 0 ? lastTime : presetStart ? start + duration : time;
    if (time < previous || time - previous >= INT_MAX) {
        time = previous + 1;
    }
    qint64 indexed = time;
    if (count() == 0) {
        if (presetStart) {
            indexed = start + duration;
        } else {
            start = time;
        }
        endTime =
            presetStart ? std::max<qint64>(0, indexed + sampleDuration) : indexed + sampleDuration;
    } else {
        const auto step = quint32(indexed - lastTime);
        if (!durations.empty() && durations.back().second == step) {
            ++durations.back().first;
        } else {
            durations.emplace_back(1, step);
        }
        endTime = std::max(endTime, indexed + sampleDuration);
    }
    duration = time - start + sampleDuration;

    if (count() == 0 || chunkOffsets.back() + chunkSize != offset ||
        chunkSize + size >= ChunkLimit) {
        if (count() > 0) {
            closeChunk();
        }
        chunkOffsets.push_back(offset);
        chunkSize = 0;
        chunkSamples = 0;
    }
    chunkSize += size;
    ++chunkSamples;

    equalSizes = equalSizes && (sizes.empty() || sizes.front() == size);
    sizes.push_back(quint16(size));
    bytes += quint64(size);
    lastTime = indexed;
    lastOffset = offset;
    return true;
}

void Mp4Writer::Track::closeChunk()
{
    if (chunkRuns.empty() || chunkRuns.back().second != chunkSamples) {
        chunkRuns.emplace_back(quint32(chunkOffsets.size()), chunkSamples);
    }
    chunkSamples = 0;
}

Mp4Writer::Mp4Writer(const Audio& audio, bool audiobook) : m_audio(audio), m_audiobook(audiobook)
{
    m_track.timescale = audio.sampleRate;
}

QByteArray Mp4Writer::begin()
{
    m_begin.clear();
    Boxes out(m_begin);
    const char* brand = m_audiobook ? "M4B " : "M4A ";
    const qsizetype ftyp = out.open("ftyp");
    out.type(brand);
    out.u32(0x200);
    out.type(brand);
    out.type("isom");
    out.type("iso2");
    out.close(ftyp);
    // Room for a 64-bit size of the samples' box, should they pass 4 GiB.
    out.u32(8);
    out.type("free");
    m_dataStart = out.size();
    out.u32(0);
    out.type("mdat");
    m_position = m_begin.size();
    return m_begin;
}

bool Mp4Writer::add(QByteArray& bytes, const QByteArray& packet, qint64 time, qint64 duration)
{
    if (!m_track.add(m_position, packet.size(), time, duration)) {
        return false;
    }
    bytes.append(packet);
    m_position += packet.size();
    m_dataSize += quint64(packet.size());
    return true;
}

QByteArray Mp4Writer::end(const Tags& tags)
{
    // Room for the index (the sample sizes take most of it) and the chapters, at once.
    QByteArray bytes;
    qsizetype titles = 0;
    for (const Chapter& chapter : tags.chapters) {
        titles += chapter.title.size();
    }
    bytes.reserve(4 * m_track.count() + tags.cover.size() + 2 * titles + 64 * tags.chapters.size() +
                  4096);
    Boxes out(bytes);
    // The chapters' samples follow the sound's in the samples' box.
    Track chapters;
    chapters.timescale = MovieTimescale;
    chapters.presetStart = true;
    const int rate = std::max(tags.chapterRate, 1);
    for (const Chapter& chapter : tags.chapters) {
        if (chapter.title.isEmpty()) {
            continue;
        }
        const qint64 start = rescale(chapter.start, MovieTimescale, rate, AV_ROUND_NEAR_INF);
        const qint64 end = rescale(chapter.end, MovieTimescale, rate, AV_ROUND_NEAR_INF);
        QByteArray sample;
        sample.append(char(chapter.title.size() >> 8));
        sample.append(char(chapter.title.size()));
        sample.append(chapter.title);
        sample.append(reinterpret_cast<const char*>(TextEncoding), sizeof(TextEncoding));
        if (chapters.add(m_position, sample.size(), start, end - start)) {
            out.bytes(sample);
            m_position += sample.size();
            m_dataSize += quint64(sample.size());
        }
    }
    for (Track* track : {&m_track, &chapters}) {
        if (track->count() > 0) {
            track->closeChunk();
        }
    }

    // Track ids follow the streams FFmpeg's muxer is given: the sound, the cover (which
    // gets no track of its own), then the chapters. A track without samples gets none.
    const bool hasChapters = !tags.chapters.isEmpty();
    const int soundId = m_track.count() > 0 ? 1 : 0;
    const int chapterId = chapters.count() > 0 ? (tags.cover.isEmpty() ? 2 : 3) : 0;

    const qsizetype moov = out.open("moov");
    {
        qint64 longest = 0;
        int lastId = 1;
        for (const auto& [track, id] : {std::pair{&m_track, soundId}, {&chapters, chapterId}}) {
            if (track->count() > 0) {
                longest = std::max(longest, rescale(track->endTime, MovieTimescale,
                                                    track->timescale, AV_ROUND_UP));
                lastId = std::max(lastId, id);
            }
        }
        const bool wide = longest >= qint64(UINT32_MAX);
        out.u32(wide ? 120 : 108);
        out.type("mvhd");
        out.u8(wide ? 1 : 0);
        out.u24(0);
        out.field(wide, 0); // created
        out.field(wide, 0); // modified
        out.u32(MovieTimescale);
        out.field(wide, quint64(longest));
        out.u32(0x00010000); // rate
        out.u16(0x0100);     // volume
        out.zeros(10);
        out.identityMatrix();
        out.zeros(24);
        out.u32(quint32(lastId + 1));
    }
    if (m_track.count() > 0) {
        writeTrack(bytes, m_track, soundId, true, hasChapters ? chapterId : -1);
    }
    if (chapters.count() > 0) {
        writeTrack(bytes, chapters, chapterId, false, -1);
    }

    const qsizetype udta = out.open("udta");
    const qsizetype meta = out.open("meta");
    out.u32(0);
    out.u32(33);
    out.type("hdlr");
    out.u32(0);
    out.u32(0);
    out.type("mdir");
    out.type("appl");
    out.zeros(9);
    const qsizetype ilst = out.open("ilst");
    stringTag(out, "\251nam", tags.title);
    stringTag(out, "\251ART", tags.author);
    if (!tags.cover.isEmpty()) {
        const qsizetype covr = out.open("covr");
        out.u32(quint32(16 + tags.cover.size()));
        out.type("data");
        out.u32(tags.coverIsPng ? PngCover : JpegCover);
        out.u32(0);
        out.bytes(tags.cover);
        out.close(covr);
    }
    out.close(ilst);
    out.close(meta);
    if (hasChapters) {
        const qsizetype chpl = out.open("chpl");
        out.u32(0x01000000); // version 1
        out.u32(0);
        const qsizetype listed = std::min<qsizetype>(tags.chapters.size(), ChapterListLength);
        out.u8(quint32(listed));
        for (qsizetype i = 0; i < listed; ++i) {
            const Chapter& chapter = tags.chapters.at(i);
            out.u64(quint64(rescale(chapter.start, ChapterListRate, rate, AV_ROUND_NEAR_INF)));
            const QByteArray title = chapter.title.left(ChapterListTitle);
            out.u8(quint32(title.size()));
            out.bytes(title);
        }
        out.close(chpl);
    }
    out.close(udta);
    out.close(moov);
    return bytes;
}

void Mp4Writer::writeTrack(QByteArray& bytes, const Track& track, int id, bool audio,
                           int chapterTrackId) const
{
    Boxes out(bytes);
    const qsizetype trak = out.open("trak");
    // The edit list starts the track at time 0, so it lasts until its last sample ends.
    const qint64 movieDuration =
        rescale(track.endTime, MovieTimescale, track.timescale, AV_ROUND_UP);
    {
        const bool wide = movieDuration >= INT32_MAX;
        out.u32(wide ? 104 : 92);
        out.type("tkhd");
        out.u8(wide ? 1 : 0);
        out.u24(audio ? TrackEnabled | TrackInMovie : TrackInMovie);
        out.field(wide, 0);
        out.field(wide, 0);
        out.u32(quint32(id));
        out.u32(0);
        out.field(wide, quint64(movieDuration));
        out.zeros(8);
        out.u16(0);                  // layer
        out.u16(audio ? 1 : 0);      // alternate group
        out.u16(audio ? 0x0100 : 0); // volume
        out.u16(0);
        out.identityMatrix();
        out.u32(0); // width
        out.u32(0); // height
    }
    // The edit list: a sound that starts before 0 (the encoder's delay) is cut there, one
    // that starts later waits for its first sample.
    const qint64 mediaDuration = track.endTime - track.start;
    {
        qint64 duration = rescale(mediaDuration, MovieTimescale, track.timescale, AV_ROUND_UP);
        const qint64 delay = rescale(track.start, MovieTimescale, track.timescale, AV_ROUND_DOWN);
        const bool wide = duration >= INT32_MAX || delay >= INT32_MAX;
        const int entries = delay > 0 ? 2 : 1;
        const int size = 24 + entries * (wide ? 20 : 12);
        out.u32(quint32(size));
        out.type("edts");
        out.u32(quint32(size - 8));
        out.type("elst");
        out.u8(wide ? 1 : 0);
        out.u24(0);
        out.u32(quint32(entries));
        qint64 mediaStart = 0;
        if (delay > 0) {
            out.field(wide, quint64(delay));
            out.field(wide, quint64(-1));
            out.u32(0x00010000);
        } else {
            mediaStart = -std::min<qint64>(track.start, 0);
            duration += delay;
        }
        out.field(wide, quint64(duration));
        out.field(wide, quint64(mediaStart));
        out.u32(0x00010000);
    }
    if (chapterTrackId >= 0) {
        out.u32(20);
        out.type("tref");
        out.u32(12);
        out.type("chap");
        out.u32(quint32(chapterTrackId));
    }
    const qsizetype mdia = out.open("mdia");
    {
        const bool wide = mediaDuration >= INT32_MAX;
        out.u32(wide ? 44 : 32);
        out.type("mdhd");
        out.u8(wide ? 1 : 0);
        out.u24(0);
        out.field(wide, 0);
        out.field(wide, 0);
        out.u32(quint32(track.timescale));
        out.field(wide, quint64(mediaDuration));
        out.u16(audio ? UndeterminedLanguage : 0);
        out.u16(0);
    }
    if (audio) {
        handler(out, "soun", "SoundHandler");
    } else {
        handler(out, "text", "SubtitleHandler");
    }
    const qsizetype minf = out.open("minf");
    if (audio) {
        out.u32(16);
        out.type("smhd");
        out.zeros(8);
    } else {
        const qsizetype gmhd = out.open("gmhd");
        out.u32(0x18);
        out.type("gmin");
        out.u32(0);
        out.u16(0x40);   // graphics mode
        out.u16(0x8000); // colour
        out.u16(0x8000);
        out.u16(0x8000);
        out.u16(0); // balance
        out.u16(0);
        // What QuickTime looks for in a chapter track's header.
        out.u32(0x2C);
        out.type("text");
        out.u16(1);
        out.zeros(12);
        out.u32(1);
        out.zeros(12);
        out.u32(0x00004000);
        out.u16(0);
        out.close(gmhd);
    }
    out.u32(36);
    out.type("dinf");
    out.u32(28);
    out.type("dref");
    out.u32(0);
    out.u32(1);
    out.u32(12);
    out.type("url ");
    out.u32(1); // in this file
    writeSampleTable(bytes, track, audio);
    out.close(minf);
    out.close(mdia);
    out.close(trak);
}

void Mp4Writer::writeSampleTable(QByteArray& bytes, const Track& track, bool audio) const
{
    Boxes out(bytes);
    const qsizetype stbl = out.open("stbl");
    const qsizetype stsd = out.open("stsd");
    out.u32(0);
    out.u32(1);
    if (audio) {
        const qsizetype mp4a = out.open("mp4a");
        out.zeros(6);
        out.u16(1); // data reference
        out.zeros(8);
        out.u16(2);  // channels, as the format leaves this field
        out.u16(16); // bits
        out.u16(0);
        out.u16(0);
        out.u16(m_audio.sampleRate <= 0xFFFF ? quint32(m_audio.sampleRate) : 0);
        out.u16(0);

        quint32 average = 0;
        if (track.duration > 0) {
            average = quint32(track.bytes * 8 * quint64(track.timescale) / quint64(track.duration));
        }
        if (average == 0) {
            average = quint32(m_audio.bitRate);
        }
        const quint32 peak = std::max<quint32>(quint32(m_audio.bitRate), average);
        const auto config = quint32(m_audio.decoderConfig.size());
        const quint32 specific = config > 0 ? 5 + config : 0;
        const qsizetype esds = out.open("esds");
        out.u32(0);
        out.descriptor(0x03, 3 + 5 + 13 + specific + 5 + 1);
        out.u16(1); // the stream's id: the sound's track
        out.u8(0);
        out.descriptor(0x04, 13 + specific);
        out.u8(AacObjectType);
        out.u8(AudioStreamType);
        out.u24(0); // buffer size
        out.u32(peak);
        out.u32(average);
        if (config > 0) {
            out.descriptor(0x05, config);
            out.bytes(m_audio.decoderConfig);
        }
        out.descriptor(0x06, 1);
        out.u8(0x02);
        out.close(esds);
        out.close(mp4a);
    } else {
        const qsizetype text = out.open("text");
        out.zeros(6);
        out.u16(1);
        out.bytes(TextSampleEntry, sizeof(TextSampleEntry));
        out.close(text);
    }
    out.close(stsd);

    const qsizetype stts = out.open("stts");
    out.u32(0);
    const qint64 last = track.duration + track.start - track.lastTime;
    std::vector<std::pair<quint32, quint32>> runs = track.durations;
    if (!runs.empty() && runs.back().second == quint32(last)) {
        ++runs.back().first;
    } else {
        runs.emplace_back(1, quint32(last));
    }
    out.u32(quint32(runs.size()));
    for (const auto& [count, duration] : runs) {
        out.u32(count);
        out.u32(duration);
    }
    out.close(stts);

    const qsizetype stsc = out.open("stsc");
    out.u32(0);
    out.u32(quint32(track.chunkRuns.size()));
    for (const auto& [first, samples] : track.chunkRuns) {
        out.u32(first);
        out.u32(samples);
        out.u32(1);
    }
    out.close(stsc);

    const qsizetype stsz = out.open("stsz");
    out.u32(0);
    if (track.equalSizes) {
        out.u32(std::max<quint32>(1, track.sizes.front()));
        out.u32(quint32(track.sizes.size()));
    } else {
        out.u32(0);
        out.u32(quint32(track.sizes.size()));
        for (const quint16 size : track.sizes) {
            out.u32(size);
        }
    }
    out.close(stsz);

    // 64-bit offsets once the track's last sample starts past 4 GiB.
    const bool wide = track.lastOffset > qint64(UINT32_MAX);
    const qsizetype stco = out.open(wide ? "co64" : "stco");
    out.u32(0);
    out.u32(quint32(track.chunkOffsets.size()));
    for (const qint64 offset : track.chunkOffsets) {
        out.field(wide, quint64(offset));
    }
    out.close(stco);

    if (audio) {
        // Every AAC packet needs the one before it to decode.
        out.u32(26);
        out.type("sgpd");
        out.u32(1 << 24);
        out.type("roll");
        out.u32(2);
        out.u32(1);
        out.u16(quint32(-1));
        out.u32(28);
        out.type("sbgp");
        out.u32(0);
        out.type("roll");
        out.u32(1);
        out.u32(quint32(track.sizes.size()));
        out.u32(1);
    }
    out.close(stbl);
}

QByteArray Mp4Writer::finalBegin() const
{
    QByteArray bytes = m_begin;
    QByteArray field;
    Boxes size(field);
    qsizetype at = m_dataStart;
    if (m_dataSize + 8 <= UINT32_MAX) {
        size.u32(quint32(m_dataSize + 8));
    } else {
        // The free box before it becomes the start of a box with a 64-bit size.
        at -= 8;
        size.u32(1);
        size.type("mdat");
        size.u64(m_dataSize + 16);
    }
    bytes.replace(at, field.size(), field);
    return bytes;
}

} // namespace recording
