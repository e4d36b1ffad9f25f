#pragma once

#include <QString>

// Who the program is and where it lives: the title its boxes carry and the folder
// its start sound and help file are found in.
namespace platform {

// The program's title, used by message boxes that are given none.
QString appTitle();

// The folder the running executable lives in.
QString programFolder();

// A file relative to the program's folder; "audio/start.wav" or "\audio\start.wav"
// give the same path.
QString programFile(const QString& relativePath);

} // namespace platform
