// The six control kinds, each a small Qt widget drawing and behaving as designed.
// Internal to the toolkit.
#pragma once

#include "platform/toolkit/toolkit.h"

#include <QAbstractButton>
#include <QBitmap>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QWidget>

#include <functional>

namespace toolkit::detail {

// Decoded pictures, cached by the address of their PNG bytes (pictures live as long as the
// program). whiteIsTransparent drops pure-white pixels, as the styled button draws them.
const QImage& decodedPicture(Picture png, bool whiteIsTransparent);

// What a control needs to report its events.
struct EventSink {
    std::function<void()> clicked;
    std::function<void()> contentChanged;
    std::function<void()> mouseDown;
};

class TransparentLabel : public QWidget {
  public:
    TransparentLabel(QWidget* parent, bool multiLine);
    void setText(const QString& text);
    const QString& text() const { return text_; }
    EventSink events;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

  private:
    QString text_;
    bool multiLine_;
};

// Shows its picture in every state and takes the mouse only where the picture is not pure white.
class ImageButton : public QWidget {
  public:
    explicit ImageButton(QWidget* parent);
    void setPicture(Picture png);
    EventSink events;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    QImage picture_;
    bool pressed_ = false;
};

// Flat button: picture at the top-left corner, bold caption centred over it.
class StyledButton : public QAbstractButton {
  public:
    explicit StyledButton(QWidget* parent);
    void setPicture(Picture png);
    EventSink events;

  protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

  private:
    QImage picture_;
    bool hovered_ = false;
};

// Integer input: typing takes "-" and digits only, at most four characters; pasted text is
// not filtered; leaving the box normalises its number. contentChanged fires for every change.
class EditBox : public QLineEdit {
  public:
    explicit EditBox(QWidget* parent);
    // The program's own write: always reports one content change, as typing would.
    void setContent(const QString& text);
    EventSink events;

    // The text the box normalises to when it loses the focus.
    static QString normalised(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

  private:
    bool programWrite_ = false;
};

class CheckBox : public QCheckBox {
  public:
    CheckBox(const QString& caption, QWidget* parent);
    EventSink events;
};

class GroupBox : public QGroupBox {
  public:
    GroupBox(const QString& title, QWidget* parent);
};

} // namespace toolkit::detail
