#include "app/Main.h"

#include "platform/AppInfo.h"

Main::Main(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(platform::appTitle());
    resize(800, 600);
}
