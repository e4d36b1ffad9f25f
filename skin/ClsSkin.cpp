#include "skin/ClsSkin.h"

#include "platform/ControlTag.h"
#include "platform/RasterCopy.h"
#include "platform/Resources.h"
#include "platform/Units.h"
#include "platform/WindowMessages.h"
#include "skin/ReportError.h"
#include "skin/SkinCatalogue.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

namespace skin {

namespace {

const QString kModule = QStringLiteral("ClsSkin");

const QString kTagClose = QStringLiteral("TOPCLOSE");
const QString kTagRestore = QStringLiteral("RESTORE");
const QString kTagMinimise = QStringLiteral("MINIMISE");
const QString kTagCaption = QStringLiteral("LblCaption");
const QString kTagTopLeft = QStringLiteral("TOPLEFT");

// The client rectangle as the classic call gives it: right and bottom lie just outside.
int clientRight(const QRect& client)
{
    return client.x() + client.width();
}

int clientBottom(const QRect& client)
{
    return client.y() + client.height();
}

QList<QWidget*> controlsOf(QWidget* form)
{
    return form ? form->findChildren<QWidget*>() : QList<QWidget*>();
}

Qt::CursorShape cursorForHit(int hit)
{
    switch (hit) {
    case platform::HTTOP:
    case platform::HTBOTTOM:
        return Qt::SizeVerCursor;
    case platform::HTTOPLEFT:
    case platform::HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    case platform::HTTOPRIGHT:
    case platform::HTBOTTOMLEFT:
        return Qt::SizeBDiagCursor;
    case platform::HTLEFT:
    case platform::HTRIGHT:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

QString ClsSkin::pieceName(Piece piece)
{
    static const std::array<QString, PieceCount> names = {
        QStringLiteral("BACKGROUND"), QStringLiteral("TOPLEFT"),     QStringLiteral("TOPRIGHT"),
        QStringLiteral("BOTTOMLEFT"), QStringLiteral("BOTTOMRIGHT"), QStringLiteral("TOPFORM"),
        QStringLiteral("BOTTOMFORM"), QStringLiteral("RIGHTFORM"),   QStringLiteral("LEFTFORM")};
    return piece >= 0 && piece < PieceCount ? names[piece] : QString();
}

ClsSkin::ClsSkin(QObject* parent) : QObject(parent) {}

ClsSkin::~ClsSkin()
{
    if (m_form) {
        m_form->removeEventFilter(this);
    }
}

void ClsSkin::setTheForm(QWidget* form)
{
    if (m_form == form) {
        return;
    }
    if (m_form) {
        m_form->removeEventFilter(this);
    }
    m_form = form;
    if (m_form) {
        // A form reports mouse moves with no button held only when it tracks the mouse.
        m_form->setMouseTracking(true);
        m_form->installEventFilter(this);
    }
}

bool ClsSkin::isBorderless() const
{
    return m_form && m_form->windowFlags().testFlag(Qt::FramelessWindowHint);
}

bool ClsSkin::loadPiece(Piece piece, const QString& procedure)
{
    const QString name = pieceName(piece);
    const std::optional<QImage> bitmap = platform::resources::bitmap(name);
    if (!bitmap) {
        skin::ReportError(skin::kErrResourceNotFound, skin::resourceNotFoundText(name), procedure,
                          kModule);
        return false;
    }
    m_pictures[piece].setStdBitmap(*bitmap);
    return true;
}

void ClsSkin::setPieceBitmap(Piece piece, const QImage& bitmap)
{
    if (piece < 0 || piece >= PieceCount) {
        return;
    }
    m_pictures[piece].setStdBitmap(bitmap);
    if (m_form) {
        m_form->update();
    }
}

void ClsSkin::SetFrmPict()
{
    for (int piece = 0; piece < PieceCount; ++piece) {
        if (!loadPiece(static_cast<Piece>(piece), QStringLiteral("SetFrmPict"))) {
            return;
        }
    }
    HideControls(true);
    if (m_form) {
        m_form->update();
    }
}

void ClsSkin::SetFrmBackPict()
{
    if (!loadPiece(Background, QStringLiteral("SetFrmBackPict"))) {
        return;
    }
    HideControls(false);
    if (m_form) {
        m_form->update();
    }
}

void ClsSkin::setResizeFormAllow(bool allow)
{
    m_resizeFormAllow = allow;
    setEnabledOfTagged(kTagRestore, allow);
}

void ClsSkin::setMinimiseAllow(bool allow)
{
    m_minimiseAllow = allow;
    setEnabledOfTagged(kTagMinimise, allow);
}

void ClsSkin::setCloseButtonAllow(bool allow)
{
    m_closeButtonAllow = allow;
    setEnabledOfTagged(kTagClose, allow);
}

void ClsSkin::setEnabledOfTagged(const QString& tag, bool enabled)
{
    for (QWidget* control : controlsOf(m_form)) {
        if (platform::controlTag(control) == tag) {
            control->setEnabled(enabled);
        }
    }
}

int ClsSkin::hitTest(double x, double y, double width, double height)
{
    const double band = kBorderBand;
    if (y <= band && x > band && x < width - band) {
        return platform::HTTOP;
    }
    if (y <= band && x <= band) {
        return platform::HTTOPLEFT;
    }
    if (y <= band && x >= width - band) {
        return platform::HTTOPRIGHT;
    }
    if (x <= band && y >= height - band) {
        return platform::HTBOTTOMLEFT;
    }
    if (x >= width - band && y >= height - band) {
        return platform::HTBOTTOMRIGHT;
    }
    if (x >= width - band && x > band) {
        return platform::HTRIGHT;
    }
    if (x <= band && y > band) {
        return platform::HTLEFT;
    }
    if (y >= height - band && x > band && x < width - band) {
        return platform::HTBOTTOM;
    }
    return platform::HTCLIENT;
}

void ClsSkin::TheForm_Paint(QPainter& dc)
{
    if (!m_form) {
        return;
    }
    const QRect client = m_form->rect();
    if (!isBorderless()) {
        if (m_pictures[Background].hDC()) {
            TileBlt(dc, client, &m_pictures[Background]);
        }
        return;
    }
    TileBlt(dc, client, &m_pictures[Background]);
    CopyToFormCorner(dc, client);
}

void ClsSkin::TheForm_Resize()
{
    if (!m_form) {
        return;
    }
    // Painting happens in the paint that follows; the whole form is invalidated so the
    // frame's stretched edges are drawn afresh, not just the newly exposed strip.
    m_form->update();
    if (isBorderless()) {
        ResizeControls(m_form);
    }
}

void ClsSkin::TileBlt(QPainter& dc, const QRect& client, const ClsPictureDC* picture) const
{
    if (!picture) {
        return;
    }
    const int width = picture->Width();
    const int height = picture->Height();
    // Nothing loaded yet: there is nothing to tile (and no tile size to divide by).
    if (width <= 0 || height <= 0 || !picture->hDC()) {
        return;
    }
    const int columns = clientRight(client) / width;
    const int rows = clientBottom(client) / height;
    // Inclusive bounds: the last column and row, clipped by the window, cover the
    // remainder, and a client that is an exact multiple still gets one clipped column.
    for (int i = 0; i <= columns; ++i) {
        for (int j = 0; j <= rows; ++j) {
            platform::raster::bitBlt(dc, i * width, j * height, width, height, picture->hDC(), 0,
                                     0);
        }
    }
}

void ClsSkin::CopyToFormCorner(QPainter& dc, const QRect& client) const
{
    using platform::raster::bitBlt;
    using platform::raster::stretchBlt;
    const int left = client.x();
    const int top = client.y();
    const int right = clientRight(client);
    const int bottom = clientBottom(client);
    const auto stretch = [&dc](const ClsPictureDC& picture, int x, int y, int width, int height) {
        stretchBlt(dc, x, y, width, height, picture.hDC(), 0, 0, picture.Width(), picture.Height());
    };
    const auto copy = [&dc](const ClsPictureDC& picture, int x, int y) {
        bitBlt(dc, x, y, picture.Width(), picture.Height(), picture.hDC(), 0, 0);
    };
    // Later pieces overwrite earlier ones: corners lie over the edges, and the left edge
    // over the ends of the top and bottom edges.
    const ClsPictureDC& topForm = m_pictures[TopForm];
    const ClsPictureDC& bottomForm = m_pictures[BottomForm];
    const ClsPictureDC& rightForm = m_pictures[RightForm];
    const ClsPictureDC& leftForm = m_pictures[LeftForm];
    stretch(topForm, 0, 0, right - left, topForm.Height());
    stretch(bottomForm, 0, bottom - bottomForm.Height(), right - left, bottomForm.Height());
    stretch(rightForm, right - rightForm.Width(), 0, rightForm.Width(), bottom - top);
    stretch(leftForm, 0, 0, leftForm.Width(), bottom - top);
    copy(m_pictures[TopLeft], 0, 0);
    copy(m_pictures[TopRight], right - m_pictures[TopRight].Width(), 0);
    copy(m_pictures[BottomLeft], 0, bottom - m_pictures[BottomLeft].Height());
    copy(m_pictures[BottomRight], right - m_pictures[BottomRight].Width(),
         bottom - m_pictures[BottomRight].Height());
}

void ClsSkin::TheForm_MouseMove(Qt::MouseButtons buttons, double x, double y)
{
    Q_UNUSED(buttons);
    if (!m_form || !isBorderless() || !m_resizeFormAllow) {
        return;
    }
    const QRect frame = m_form->frameGeometry();
    const double width = platform::pixelsToTwipsX(frame.width());
    const double height = platform::pixelsToTwipsY(frame.height());
    m_resizeHitCode = hitTest(x, y, width, height);
    if (m_resizeHitCode == platform::HTCLIENT) {
        m_form->unsetCursor();
    } else {
        m_form->setCursor(cursorForHit(m_resizeHitCode));
    }
}

void ClsSkin::TheForm_MouseDown(Qt::MouseButton button, double x, double y)
{
    // Only the height decides between moving and sizing; the stored hit code has the rest.
    Q_UNUSED(x);
    if (!m_form || !isBorderless() || button != Qt::LeftButton) {
        return;
    }
    if (y > kTitleBandBottom || y < kBorderBand) {
        if (m_resizeFormAllow) {
            FormResize();
        }
    } else if (m_moveFormAllow) {
        // The title band wins over the left and right bands.
        FormMove();
    }
}

void ClsSkin::FormMove()
{
    platform::releaseCapture();
    platform::sendMessage(m_form, platform::WM_NCLBUTTONDOWN, platform::HTCAPTION,
                          platform::makePointParam(m_pressGlobal));
}

void ClsSkin::FormResize()
{
    if (m_resizeHitCode == platform::HTCLIENT) {
        return;
    }
    platform::releaseCapture();
    platform::sendMessage(m_form, platform::WM_NCLBUTTONDOWN,
                          static_cast<quintptr>(m_resizeHitCode),
                          platform::makePointParam(m_pressGlobal));
}

void ClsSkin::ResizeControls(QWidget* form)
{
    if (m_resizingControls || !form || !form->windowFlags().testFlag(Qt::FramelessWindowHint)) {
        return;
    }
    m_resizingControls = true;
    const double formWidth = platform::pixelsToTwipsX(form->frameGeometry().width());
    const int top = platform::twipsToPixelsY(kTitleButtonTop);
    for (QWidget* control : controlsOf(form)) {
        const QString tag = platform::controlTag(control);
        const double width = platform::pixelsToTwipsX(control->width());
        int buttonsFromRight = 0;
        if (tag == kTagClose) {
            buttonsFromRight = 1;
        } else if (tag == kTagRestore) {
            buttonsFromRight = 2;
        } else if (tag == kTagMinimise) {
            buttonsFromRight = 3;
        } else if (tag == kTagCaption) {
            control->update();
        } else if (tag == kTagTopLeft) {
            control->move(0, 0);
        }
        if (buttonsFromRight > 0) {
            const double left = formWidth - buttonsFromRight * width - kTitleButtonRight;
            control->move(platform::twipsToPixelsX(left), top);
        }
    }
    m_resizingControls = false;
}

void ClsSkin::HideControls(bool show)
{
    const QColor captionColor = platform::toQColor(skin::captionColor(skin::kCaptionColorId));
    for (QWidget* control : controlsOf(m_form)) {
        const QString tag = platform::controlTag(control);
        if (tag != kTagClose && tag != kTagRestore && tag != kTagMinimise && tag != kTagCaption) {
            continue;
        }
        control->setVisible(show);
        if (tag == kTagCaption) {
            QPalette palette = control->palette();
            palette.setColor(QPalette::WindowText, captionColor);
            control->setPalette(palette);
            if (auto* label = qobject_cast<QLabel*>(control)) {
                label->setText(m_form->windowTitle());
            }
        }
    }
}

bool ClsSkin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_form) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Paint: {
        // The paint event is on its way to the form: painting on it is allowed here, and
        // the form's own painting comes after the skin's.
        QPainter dc(m_form);
        TheForm_Paint(dc);
        break;
    }
    case QEvent::Resize:
        TheForm_Resize();
        break;
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        TheForm_MouseMove(mouse->buttons(), platform::pixelsToTwipsX(mouse->position().x()),
                          platform::pixelsToTwipsY(mouse->position().y()));
        break;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressGlobal = mouse->globalPosition().toPoint();
        TheForm_MouseDown(mouse->button(), platform::pixelsToTwipsX(mouse->position().x()),
                          platform::pixelsToTwipsY(mouse->position().y()));
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace skin
