#pragma once

#include <QString>

class QWidget;

// The open-file dialog and its state, kept for the whole run: the filter entry used
// last is where the next dialog starts.
namespace editor::FileOpen {

// In: descriptions and patterns alternating, separated by "|".
inline QString OpenFilter;
// In and out: 1-based filter entry; 0 before the first use.
inline qint32 OpenFilterIndex = 0;
// Out: the chosen file's full path, empty when nothing was chosen, and its bare name.
inline QString OpenFileName;
inline QString OpenFileTitle;
// In: owner window, first folder, caption and flags; unset by the program.
inline QWidget* OpenOwner = nullptr;
inline QString OpenInitDir;
inline QString OpenTitle;
inline quint32 OpenFlags = 0;

// Shows the dialog. Confirmed: sets OpenFileName, OpenFileTitle and OpenFilterIndex.
// Cancelled: OpenFileName becomes empty and the rest stays.
void ShowOpenDialog();

// The part of the text before its first NUL character.
QString StripNulls(const QString& text);

} // namespace editor::FileOpen
