#pragma once

#include "platform/Result.h"

#include <QList>
#include <QPixmap>
#include <QString>

class QWidget;

namespace app {

// What a form gives its window besides the controls it builds on it.
struct FormContents
{
    QList<QPixmap> images; // the image list's pictures, in order
};

// Builds a window from its form file: its fixed size, then each control of a kind the
// program knows as a child named as in the form, placed, coloured and given its stored
// properties, in the form's tab order. A timer becomes a QTimer child with the form's
// interval. A control of an unknown kind is logged and left out. Fails with the form
// file's problem when it cannot be read.
platform::Result<FormContents> loadForm(const QString& formName, QWidget& window);

} // namespace app
