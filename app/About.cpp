#include "app/About.h"

#include "platform/AppInfo.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace app {

About::About(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About %1").arg(platform::appTitle()));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Escape closes it, as it closes a dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/parlanza.png")).pixmap(96, 96));
    icon->setAlignment(Qt::AlignTop);

    auto* title = new QLabel(QStringLiteral("<h2>%1</h2><p>Version %2</p>")
                                 .arg(platform::appTitle(), QStringLiteral(PARLANZA_VERSION)),
                             this);
    auto* tagline = new QLabel(
        QStringLiteral("A text-to-speech workbench: type, paste or open a document, pick a "
                       "voice, set speed and tone, and listen, or record the speech to a "
                       "wave file."),
        this);
    tagline->setWordWrap(true);

    m_speech = new QLabel(this);
    m_speech->setWordWrap(true);
    m_speech->setTextFormat(Qt::PlainText);

    auto* credits = new QLabel(
        QStringLiteral("Built on Qt %1, the espeak-ng and flite speech synthesisers, "
                       "libsonic for slow speech, libsndfile for wave files, chmlib for the "
                       "help file and LibreOffice for word-processor documents.")
            .arg(QString::fromLatin1(qVersion())),
        this);
    credits->setWordWrap(true);

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(tagline);
    text->addSpacing(8);
    text->addWidget(m_speech);
    text->addSpacing(8);
    text->addWidget(credits);
    text->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    text->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addLayout(text, 1);
    setFixedWidth(460);
    setSpeechEngines({});
}

void About::setSpeechEngines(const QStringList& engines)
{
    m_speech->setText(engines.isEmpty()
                          ? QStringLiteral("Speech: no speech engine is available.")
                          : QStringLiteral("Speech:\n") + engines.join(QLatin1Char('\n')));
}

QString About::speechText() const
{
    return m_speech->text();
}

} // namespace app
