#pragma once

#include "recording/WordTiming.h"
#include "speech/Lexicon.h"
#include "speech/TextSegmenter.h"
#include "speech/VoiceDefinition.h"

#include <QString>
#include <functional>

namespace speech {

// Renders a whole text into output audio as fast as the machine allows. The text is cut
// at sentence ends into the pieces the engines take one at a time; each piece starts from
// the same engine state, so a piece sounds the same whichever process renders it. With
// more than one job the pieces are synthesised in worker processes (both engines keep
// global state and share rand(), so threads cannot), joined in order and sent through one
// voice pipeline: the result is the serial render sample for sample, and only a few
// pieces are held in memory at a time. The words' places come back with the audio, so a
// render that is timed is as fast as one that is not.
class SpeechRenderer
{
public:
    using Sink = std::function<bool(const qint16* samples, qsizetype count)>;
    // Characters of the text rendered so far, and the text's length.
    using Progress = std::function<void(qsizetype done, qsizetype total)>;
    // A spoken word, in output samples from the render's first and characters of its text.
    using Words = std::function<void(const recording::WordTiming& word)>;

    struct Request
    {
        QString text;
        VoiceDefinition voice;
        ProsodySettings prosody;
        // Applied to each piece before it reaches an engine; words are still placed on
        // the written text.
        Lexicon lexicon;
        int outputRate = 22050;
        int jobs = 1;
        // Characters handed to an engine at a time (cut at a sentence end before).
        qsizetype pieceLength = TextSegmenter::DefaultMaximum;
        // Asked now and then while waiting for workers: true ends the render soon.
        std::function<bool()> cancelled;
        // When given, receives each word in order, placed as a recording in the window
        // places it.
        Words words;
    };

    // The program started as a worker ("PROGRAM --render-worker"); empty means every
    // render runs in this process.
    static void setWorkerProgram(const QString& program);
    static QString workerProgram();
    static QString workerArgument() { return QStringLiteral("--render-worker"); }

    // Renders the request into the sink; the caller must not hold the engines' lock.
    // False with a reason when the sink refused (reason empty) or a worker failed.
    static bool render(const Request& request, const Sink& sink, const Progress& progress,
                       QString* reason);

    // A worker's main loop: requests on standard input, audio on standard output, until
    // the input ends. Returns the process exit status.
    static int serveWorker();
};

} // namespace speech
