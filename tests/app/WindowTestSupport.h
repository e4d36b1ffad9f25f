#pragma once

// Helpers, and the Qt Test headers, shared by the tests that drive the main window and the
// program's copies.
#include "platform/MenuBar.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace windowtest {

// The control of that name under the parent; the test cannot go on without it.
template <typename T = QWidget> T* child(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (!found) {
        qFatal("no control %s", name);
    }
    return found;
}

// Drags the data over the target and drops it there; whether the target took the drag.
inline bool dragAndDrop(QWidget* target, const QMimeData& data)
{
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return enter.isAccepted();
}

// The menu item with exactly that key; 0 when there is none.
inline qint32 menuId(const platform::MenuBar* menu, const QString& key)
{
    for (qint32 id = 1; id <= menu->count(); ++id) {
        if (menu->keyOf(id) == key) {
            return id;
        }
    }
    return 0;
}

// For a copy of the program a test starts: its lock, settings and draft in the folder, so it
// cannot meet a real running copy, and the user's own settings and draft stay untouched.
inline QProcessEnvironment programEnvironment(const QString& folder, const QString& platform)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", folder);
    env.insert("XDG_CONFIG_HOME", folder + "/config");
    env.insert("XDG_STATE_HOME", folder + "/state");
    env.insert("QT_QPA_PLATFORM", platform);
    return env;
}

#ifdef PARLANZA_SOURCE_DIR
// Runs a function of scripts/test-services.sh with the given arguments.
inline bool testService(const QString& function, const QStringList& arguments)
{
    QProcess shell;
    shell.start("bash", QStringList{"-c",
                                    QString("source \"%1/scripts/test-services.sh\" && %2 \"$@\"")
                                        .arg(QStringLiteral(PARLANZA_SOURCE_DIR), function),
                                    "bash"} +
                            arguments);
    return shell.waitForFinished(15000) && shell.exitCode() == 0;
}
#endif

} // namespace windowtest
