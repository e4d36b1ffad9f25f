#pragma once

#include <QString>

class QObject;

// The free-text tag a host form keeps for each of its controls; other parts of the
// program find controls by it (the form skin finds its title-bar buttons this way).
namespace platform {

QString controlTag(const QObject* control);
void setControlTag(QObject* control, const QString& tag);

} // namespace platform
