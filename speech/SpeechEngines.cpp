#include "speech/SpeechEngines.h"

#include <espeak-ng/speak_lib.h>
#include <flite/flite.h>
// cst_cg.h declares C functions without saying so.
extern "C" {
#include <flite/cst_cg.h>
}

#include <QHash>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace speech {

extern "C" {
cst_voice* register_cmu_us_slt(const char* voxdir);
cst_voice* register_cmu_us_rms(const char* voxdir);
cst_voice* register_cmu_us_kal16(const char* voxdir);
}

namespace {

constexpr unsigned UtteranceSeed = 20250101;

struct FliteVoice
{
    cst_voice* voice = nullptr;
    float naturalF0 = 100;
    int sampleRate = 16000;
};

QHash<QByteArray, FliteVoice>& fliteVoices()
{
    static QHash<QByteArray, FliteVoice> voices;
    return voices;
}

struct SynthContext
{
    const SpeechEngines::ChunkSink* sink = nullptr;
    const SpeechEngines::WordSink* words = nullptr; // null: nobody asked
    QVector<qsizetype> charStarts;    // espeak-ng: the byte where each character starts
    const QByteArray* utf8 = nullptr; // espeak-ng: the text those are in
    qsizetype wordEnd = 0;            // espeak-ng: the character after the last word reported
    qint64 delivered = 0;             // flite: samples of the earlier utterances of the text
    bool aborted = false;
};

char32_t characterAt(const SynthContext& context, qsizetype index)
{
    const qsizetype start = context.charStarts.at(index);
    const QList<uint> decoded =
        QString::fromUtf8(context.utf8->mid(start, context.charStarts.at(index + 1) - start))
            .toUcs4();
    return decoded.isEmpty() ? 0 : decoded.constFirst();
}

bool insideWord(char32_t c)
{
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

// espeak-ng ends a word at an apostrophe or a hyphen ("don" of "don't", "well" of
// "well-known", "L" of "L'eau") and says the rest with it: the word marked is the
// written one.
qsizetype writtenWordEnd(const SynthContext& context, qsizetype end)
{
    const qsizetype chars = context.charStarts.size() - 1;
    while (end < chars) {
        const char32_t c = characterAt(context, end);
        if (insideWord(c)) {
            ++end;
            continue;
        }
        const bool joiner = c == U'\'' || c == U'\u2019' || c == U'-' || c == U'\u2010';
        if (!joiner || end + 1 >= chars ||
            !QChar::isLetterOrNumber(characterAt(context, end + 1))) {
            break;
        }
        end += 2;
    }
    return end;
}

// espeak-ng counts characters from 1; a number read as several words gives each of them
// the number's characters, which the caller folds into one. A word in small letters after a
// full stop ("It rained. win") comes placed on the space before it, one character long: it
// starts at its first letter instead, and ends where it is written.
void reportEspeakWord(SynthContext& context, const espeak_EVENT& event)
{
    const qsizetype chars = context.charStarts.size() - 1;
    const qsizetype placed = std::clamp<qsizetype>(event.text_position - 1, 0, chars);
    qsizetype first = placed;
    while (first < chars && QChar::isSpace(characterAt(context, first))) {
        ++first;
    }
    if (first < context.wordEnd && event.length > 0) {
        return; // the rest of a written word already marked
    }
    qsizetype last = std::clamp<qsizetype>(placed + event.length, first, chars);
    if (event.length > 0 && first < chars) {
        last = writtenWordEnd(context, std::max(last, first + 1));
    }
    context.wordEnd = last;
    SpeechEngines::WordEvent word;
    word.sample = event.sample;
    word.byteStart = context.charStarts.at(first);
    word.byteLength = context.charStarts.at(last) - word.byteStart;
    (*context.words)(word);
}

QVector<qsizetype> characterStarts(const QByteArray& utf8)
{
    QVector<qsizetype> starts;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if ((quint8(utf8.at(i)) & 0xC0) != 0x80) {
            starts.append(i);
        }
    }
    starts.append(utf8.size());
    return starts;
}

// flite knows every word's timing once an utterance is planned, before its first sample:
// a word starts where the segment before its first one ends. The text position is the
// whitespace-delimited token's, punctuation in front of it included.
void reportFliteWords(const SynthContext& context, const cst_utterance* utterance, int rate)
{
    const cst_item* previousToken = nullptr;
    for (const cst_item* word = relation_head(utt_relation(utterance, "Word")); word != nullptr;
         word = item_next(word)) {
        const cst_item* token = item_parent(item_as(word, "Token"));
        // "1984" is read as several words, all of them one token of the text.
        if (token == nullptr || token == previousToken ||
            item_daughter(item_as(word, "SylStructure")) == nullptr) {
            continue;
        }
        previousToken = token;
        const float start =
            ffeature_float(word, "R:SylStructure.daughter1.daughter1.R:Segment.p.end");
        const char* punctuation = item_feat_present(token, "prepunctuation")
                                      ? item_feat_string(token, "prepunctuation")
                                      : "";
        SpeechEngines::WordEvent event;
        event.sample = context.delivered + std::lround(double(start) * rate);
        event.byteStart = item_feat_int(token, "file_pos") + qsizetype(std::strlen(punctuation));
        event.byteLength = qsizetype(std::strlen(item_feat_string(token, "name")));
        (*context.words)(event);
    }
}

int espeakCallback(short* samples, int count, espeak_EVENT* events)
{
    auto* context = static_cast<SynthContext*>(events != nullptr ? events->user_data : nullptr);
    if (context == nullptr || context->aborted) {
        return 1;
    }
    if (context->words != nullptr) {
        for (const espeak_EVENT* event = events; event->type != espeakEVENT_LIST_TERMINATED;
             ++event) {
            if (event->type == espeakEVENT_WORD) {
                reportEspeakWord(*context, *event);
            }
        }
    }
    if (samples != nullptr && count > 0 && !(*context->sink)(samples, count)) {
        context->aborted = true;
        return 1;
    }
    return 0;
}

int fliteCallback(const cst_wave* wave, int start, int size, int last,
                  cst_audio_streaming_info* info)
{
    auto* context = static_cast<SynthContext*>(info->userdata);
    if (context->aborted) {
        return CST_AUDIO_STREAM_STOP;
    }
    // Each utterance of the text starts a wave of its own.
    if (start == 0 && context->words != nullptr && info->utt != nullptr) {
        reportFliteWords(*context, info->utt, wave->sample_rate);
    }
    if (size > 0 && !(*context->sink)(wave->samples + start, size)) {
        context->aborted = true;
        return CST_AUDIO_STREAM_STOP;
    }
    if (last != 0) {
        context->delivered += start + size;
    }
    return CST_AUDIO_STREAM_CONT;
}

QString languageName(const char* name)
{
    // espeak-ng's data names a few languages with underscores or a trailing one.
    QString text = QString::fromUtf8(name);
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    return text.trimmed();
}

} // namespace

SpeechEngines& SpeechEngines::instance()
{
    static SpeechEngines engines;
    return engines;
}

platform::Result<void> SpeechEngines::initialise()
{
    if (!m_initialised) {
        m_initialised = true;
        flite_init();
        const auto add = [](const QByteArray& name, cst_voice* voice) {
            if (voice == nullptr) {
                return;
            }
            FliteVoice entry;
            entry.voice = voice;
            // Clustergen voices take their mean pitch from the model unless told one;
            // the others carry it as a feature.
            if (feat_present(voice->features, "int_f0_target_mean")) {
                entry.naturalF0 = flite_get_param_float(voice->features, "int_f0_target_mean", 100);
            } else if (feat_present(voice->features, "cg_db")) {
                entry.naturalF0 = val_cg_db(feat_val(voice->features, "cg_db"))->f0_mean;
            }
            // Every voice we link states its rate; synthesising a probe to learn it
            // costs start-up a third of its time, so that is only the fallback.
            entry.sampleRate = flite_get_param_int(voice->features, "sample_rate", 0);
            if (entry.sampleRate <= 0) {
                cst_wave* probe = flite_text_to_wave("a", voice);
                if (probe != nullptr) {
                    entry.sampleRate = probe->sample_rate;
                    delete_wave(probe);
                }
            }
            fliteVoices().insert(name, entry);
        };
        add("slt", register_cmu_us_slt(nullptr));
        add("rms", register_cmu_us_rms(nullptr));
        add("kal16", register_cmu_us_kal16(nullptr));

        const int rate =
            espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 100, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0) {
            m_espeakError = QStringLiteral("espeak-ng could not start (no voice data found)");
        } else {
            m_espeakReady = true;
            m_espeakRate = rate;
            espeak_SetSynthCallback(espeakCallback);
            espeak_VOICE variantFilter{};
            variantFilter.languages = "variant";
            for (const espeak_VOICE** v = espeak_ListVoices(&variantFilter); v && *v; ++v) {
                QString identifier = QString::fromUtf8((*v)->identifier);
                m_variants.append(identifier.section(QLatin1Char('/'), -1));
            }
            for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v) {
                const QByteArray identifier((*v)->identifier);
                // mbrola voices need databases that are not part of espeak-ng itself
                if (identifier.startsWith("mb/") || identifier.startsWith("!v/")) {
                    continue;
                }
                m_languages.append({languageName((*v)->name), identifier});
            }
        }
    }
    if (!m_espeakReady) {
        return platform::Failure{m_espeakError};
    }
    return {};
}

int SpeechEngines::sampleRate(const VoiceDefinition& voice) const
{
    if (voice.engine == SynthEngine::Flite) {
        return fliteVoices().value(voice.engineVoice).sampleRate;
    }
    return m_espeakRate;
}

void SpeechEngines::beginUtterance()
{
    // Both engines draw noise and small variations from rand(); espeak-ng also carries
    // its voice state from one text to the next.
    std::srand(UtteranceSeed);
    m_espeakVoice.clear();
}

bool SpeechEngines::synthesize(const VoiceDefinition& voice, const ProsodySettings& prosody,
                               const QByteArray& utf8, const ChunkSink& sink, const WordSink& words,
                               bool phonemeInput)
{
    if (voice.engine == SynthEngine::Flite) {
        return synthesizeFlite(voice, prosody, utf8, sink, words);
    }
    return synthesizeEspeak(voice, prosody, utf8, sink, words, phonemeInput);
}

bool SpeechEngines::synthesizeEspeak(const VoiceDefinition& voice, const ProsodySettings& prosody,
                                     const QByteArray& utf8, const ChunkSink& sink,
                                     const WordSink& words, bool phonemeInput)
{
    if (!m_espeakReady) {
        return false;
    }
    if (m_espeakVoice != voice.engineVoice) {
        if (espeak_SetVoiceByName(voice.engineVoice.constData()) != EE_OK) {
            return false;
        }
        m_espeakVoice = voice.engineVoice;
    }
    espeak_SetParameter(espeakRATE, prosody.espeakRate, 0);
    espeak_SetParameter(espeakPITCH, prosody.espeakPitch, 0);
    SynthContext context;
    context.sink = &sink;
    if (words) {
        context.words = &words;
        context.charStarts = characterStarts(utf8);
        context.utf8 = &utf8;
    }
    // Text comes in pieces: each keeps the pause that ends its last sentence, so the
    // pieces join as the whole text would have. Phoneme input only where the lexicon put
    // phonemes: a text of the user's own with "[[" in it is read as written.
    const unsigned flags =
        espeakCHARS_UTF8 | espeakENDPAUSE | (phonemeInput ? unsigned(espeakPHONEMES) : 0U);
    const espeak_ERROR result = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0,
                                             POS_CHARACTER, 0, flags, nullptr, &context);
    if (context.aborted) {
        espeak_Cancel();
        return false;
    }
    return result == EE_OK;
}

bool SpeechEngines::synthesizeFlite(const VoiceDefinition& voice, const ProsodySettings& prosody,
                                    const QByteArray& utf8, const ChunkSink& sink,
                                    const WordSink& words)
{
    const FliteVoice entry = fliteVoices().value(voice.engineVoice);
    if (entry.voice == nullptr) {
        return false;
    }
    cst_features* features = entry.voice->features;
    flite_feat_set_float(features, "duration_stretch", float(prosody.fliteStretch));
    flite_feat_set_float(features, "int_f0_target_mean",
                         float(entry.naturalF0 * prosody.fliteF0Factor));
    SynthContext context;
    context.sink = &sink;
    context.words = words ? &words : nullptr;
    cst_audio_streaming_info* info = new_audio_streaming_info();
    info->asc = fliteCallback;
    info->userdata = &context;
    flite_feat_set(features, "streaming_info", audio_streaming_info_val(info));
    // flite drops a last sentence of one word when the text ends right after it.
    const QByteArray text = utf8 + ' ';
    cst_tokenstream* tokens =
        ts_open_string(text.constData(), get_param_string(features, "text_whitespace", nullptr),
                       get_param_string(features, "text_singlecharsymbols", nullptr),
                       get_param_string(features, "text_prepunctuation", nullptr),
                       get_param_string(features, "text_postpunctuation", nullptr));
    if (tokens != nullptr) {
        flite_ts_to_speech(tokens, entry.voice, "none"); // closes the token stream
    }
    // The feature owns the streaming info; removing it frees it.
    feat_remove(features, "streaming_info");
    return tokens != nullptr && !context.aborted;
}

} // namespace speech
