#include "TestFiles.h"
#include "platform/ChildProcess.h"

#include <QElapsedTimer>
#include <QTest>
#include <csignal>
#include <unistd.h>

using platform::ChildProcess;

class tst_ChildProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What a forked child writes and how it ends, as collecting (at most 100 bytes) reports
    // it: ending well, ending badly, writing too much, never ending.
    void collectReportsOutputAndEndWithinTheTimeLimit()
    {
        const std::tuple<QByteArray, int, bool> rows[] = {
            {"all of it", 0, true}, {"some", 3, false}, {QByteArray(300, 'x'), 0, false}};
        for (const auto& [written, status, clean] : rows) {
            auto child = ChildProcess::fork([written = written, status = status](int fd) {
                return ChildProcess::writeAllTo(fd, written.data(), written.size()) ? status : 99;
            });
            QVERIFY(child.ok());
            const ChildProcess::Collected got = child.value()->collect(10000, 100);
            QCOMPARE(std::pair(got.exitedCleanly, got.timedOut), std::pair(clean, false));
            if (written.size() <= 100) {
                QCOMPARE(got.output, written);
            }
        }
        // A child that does not end is killed at the time limit; one that ends while
        // something it started holds the stream open is not waited for beyond its own end,
        // and what it started ends with it.
        QElapsedTimer clock;
        clock.start();
        auto sleeper = ChildProcess::fork([](int) { return ::pause(); });
        QVERIFY(sleeper.ok());
        const ChildProcess::Collected slept = sleeper.value()->collect(300, 100);
        QVERIFY(slept.timedOut);

        pid_t grandchild = 0;
        int report[2];
        QCOMPARE(::pipe(report), 0);
        auto parent = ChildProcess::fork([&](int) {
            const pid_t started = ::fork();
            if (started == 0) {
                ::_exit(::pause()); // keeps the stream open
            }
            ChildProcess::writeAllTo(report[1], &started, sizeof started);
            return 0;
        });
        QVERIFY(parent.ok());
        QVERIFY(ChildProcess::readAllFrom(report[0], &grandchild, sizeof grandchild));
        ::close(report[0]);
        ::close(report[1]);
        const ChildProcess::Collected ended = parent.value()->collect(20000, 100);
        QVERIFY(ended.exitedCleanly);
        QVERIFY2(clock.elapsed() < 15000, "waited for the grandchild");
        QTRY_VERIFY(!testfiles::isRunning(grandchild));
    }

    // A program's output and errors arrive in one stream; its input is empty unless asked
    // for. A missing program says why.
    void startedProgramWritesOneStreamAndAMissingOneSaysWhy()
    {
        auto shell = ChildProcess::start(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2; cat; echo done")},
            ChildProcess::Channel::OutputOnly);
        QVERIFY(shell.ok());
        const ChildProcess::Collected got = shell.value()->collect(10000, 1000);
        QVERIFY(got.exitedCleanly);
        QCOMPARE(got.output, QByteArray("out\nerr\ndone\n"));

        auto missing = ChildProcess::start(QStringLiteral("/nonexistent/parlanza-program"), {});
        QVERIFY(!missing.ok());
        QVERIFY(!missing.error().isEmpty());
        // Both ways: what is written reaches the program, what it answers comes back.
        auto echo = ChildProcess::start(QStringLiteral("head"),
                                        {QStringLiteral("-c"), QStringLiteral("5")});
        QVERIFY(echo.ok());
        QVERIFY(echo.value()->writeAll("hello", 5));
        char answer[5] = {};
        QVERIFY(echo.value()->readAll(answer, 5));
        QCOMPARE(QByteArray(answer, 5), QByteArray("hello"));
        echo.value()->kill();
        QVERIFY(!echo.value()->readAll(answer, 1));
    }
};

QTEST_MAIN(tst_ChildProcess)
#include "tst_ChildProcess.moc"
