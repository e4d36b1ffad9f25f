#pragma once

#include "skin/ClsPictureDC.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <array>

class QPainter;
#include <QWidget>

namespace skin {

// Turns a borderless top-level window into a skinned one: tiles the background, draws
// the frame from eight bitmaps, keeps the title-bar controls (found by their tag) in
// place, and moves or sizes the window when its title band or edges are dragged. A
// window that keeps its own border only gets the tiled background.
class ClsSkin : public QObject
{
    Q_OBJECT
public:
    // The nine pictures, in the order SetFrmPict loads them.
    enum Piece {
        Background,
        TopLeft,
        TopRight,
        BottomLeft,
        BottomRight,
        TopForm,
        BottomForm,
        RightForm,
        LeftForm,
        PieceCount
    };
    static QString pieceName(Piece piece);

    // Width of the edge band that sizes the window, and the title band's limits (twips).
    static constexpr double kBorderBand = 60.0;
    static constexpr double kTitleBandBottom = 250.0;
    // Where title-bar buttons sit (twips from the top and from the right edge).
    static constexpr double kTitleButtonTop = 55.0;
    static constexpr double kTitleButtonRight = 90.0;

    explicit ClsSkin(QObject* parent = nullptr);
    ~ClsSkin() override;

    QWidget* TheForm() const { return m_form; }
    void setTheForm(QWidget* form);

    void SetFrmPict();
    void SetFrmBackPict();

    bool MoveFormAllow() const { return m_moveFormAllow; }
    void setMoveFormAllow(bool allow) { m_moveFormAllow = allow; }
    bool ResizeFormAllow() const { return m_resizeFormAllow; }
    void setResizeFormAllow(bool allow);
    bool MinimiseAllow() const { return m_minimiseAllow; }
    void setMinimiseAllow(bool allow);
    bool CloseButtonAllow() const { return m_closeButtonAllow; }
    void setCloseButtonAllow(bool allow);

    // The hit code the last mouse move stored (0 before any).
    int resizeHitCode() const { return m_resizeHitCode; }
    const ClsPictureDC& picture(Piece piece) const { return m_pictures[piece]; }
    // Replaces one piece, for a skin that draws some pieces itself.
    void setPieceBitmap(Piece piece, const QImage& bitmap);

    // The hit code for a mouse position on a form of the given outer size (all twips).
    static int hitTest(double x, double y, double width, double height);

    // The form's notifications; positions in twips of the form's client area. The skin
    // subscribes to them itself once it has a form.
    void TheForm_Paint(QPainter& dc);
    void TheForm_Resize();
    void TheForm_MouseDown(Qt::MouseButton button, double x, double y);
    void TheForm_MouseMove(Qt::MouseButtons buttons, double x, double y);

    // Drawing, into a painter that covers the client rectangle.
    void TileBlt(QPainter& dc, const QRect& client, const ClsPictureDC* picture) const;
    void CopyToFormCorner(QPainter& dc, const QRect& client) const;

    void ResizeControls(QWidget* form);
    void HideControls(bool show);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isBorderless() const;
    bool loadPiece(Piece piece, const QString& procedure);
    void setEnabledOfTagged(const QString& tag, bool enabled);
    void FormMove();
    void FormResize();

    QPointer<QWidget> m_form;
    std::array<ClsPictureDC, PieceCount> m_pictures;
    bool m_moveFormAllow = true;
    bool m_resizeFormAllow = true;
    bool m_minimiseAllow = false;
    bool m_closeButtonAllow = false;
    int m_resizeHitCode = 0;
    bool m_resizingControls = false;
    QPoint m_pressGlobal;
};

} // namespace skin
