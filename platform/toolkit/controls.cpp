#include "platform/toolkit/controls.h"

#include "platform/png/png.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QTextLayout>
#include <qdrawutil.h>

#include <limits>
#include <map>

namespace toolkit::detail {

const QImage& decodedPicture(Picture png, bool whiteIsTransparent) {
    static std::map<std::pair<const void*, bool>, QImage> cache; // GUI thread only
    const auto key = std::make_pair(static_cast<const void*>(png.data()), whiteIsTransparent);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    QImage image;
    const png::Image decoded = png::decode(png);
    if (decoded.valid()) {
        // Premultiplied here rather than by QImage's converter, which may hand large pictures
        // to a thread pool.
        image = QImage(decoded.width, decoded.height, QImage::Format_ARGB32_Premultiplied);
        const std::uint8_t* src = decoded.rgba.data();
        for (int y = 0; y < decoded.height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < decoded.width; ++x, src += 4) {
                const bool white = src[0] == 255 && src[1] == 255 && src[2] == 255;
                const int a = whiteIsTransparent && white ? 0 : src[3];
                row[x] = qRgba(src[0] * a / 255, src[1] * a / 255, src[2] * a / 255, a);
            }
        }
    }
    return cache.emplace(key, std::move(image)).first->second;
}

// ---- transparent label ------------------------------------------------------------------

TransparentLabel::TransparentLabel(QWidget* parent, bool multiLine)
    : QWidget(parent), multiLine_(multiLine) {
    // No background of its own: Qt repaints what lies behind, so a moved or changed label
    // leaves no remnant.
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void TransparentLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void TransparentLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setFont(font());
    if (!multiLine_) {
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
        return;
    }
    // Lines start at the top; words wrap at the label's width.
    QString text = text_;
    text.remove(QLatin1Char('\r'));
    // Spaces are as wide as half a Chinese character, as in the fonts the texts were laid out
    // for: the countdown's arrow is placed with leading spaces.
    QFont font = this->font();
    const int halfWidth = std::max(1, font.pixelSize()) / 2;
    font.setWordSpacing(halfWidth - QFontMetrics(font).horizontalAdvance(QLatin1Char(' ')));
    const QFontMetrics fm(font);
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    int count = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        auto layout = std::make_unique<QTextLayout>(paragraph, font);
        QTextOption option(Qt::AlignLeft);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout->setTextOption(option);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width());
            ++count;
        }
        layout->endLayout();
        layouts.push_back(std::move(layout));
    }
    // Keep every line inside the label's height, as the small bitmap fonts it was made for
    // would: lines closer together than the font's own spacing share out the difference.
    const int step = count > 0 ? std::min(fm.height(), std::max(1, height() / count)) : 0;
    int y = -(fm.height() - step) / 2;
    for (const auto& layout : layouts) {
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            line.draw(&p, QPointF(0, y - line.y()));
            y += step;
        }
    }
}

void TransparentLabel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && events.mouseDown) events.mouseDown();
}

// ---- image button ---------------------------------------------------------------------------

ImageButton::ImageButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
}

void ImageButton::setPicture(Picture png) {
    picture_ = decodedPicture(png, false);
    // Only the picture's pixels that are not pure white take the mouse; the rest of the
    // rectangle belongs to the window behind.
    QRegion region;
    for (int y = 0; y < std::min(picture_.height(), height()); ++y) {
        int runStart = -1;
        for (int x = 0; x <= std::min(picture_.width(), width()); ++x) {
            bool clickable = false;
            if (x < std::min(picture_.width(), width())) {
                const QColor c = QColor::fromRgba(picture_.pixel(x, y));
                clickable = !(c.red() == 255 && c.green() == 255 && c.blue() == 255);
            }
            if (clickable && runStart < 0) runStart = x;
            if (!clickable && runStart >= 0) {
                region += QRect(runStart, y, x - runStart, 1);
                runStart = -1;
            }
        }
    }
    // An empty region would mean "no mask"; a picture with nothing clickable gets a mask that
    // lies outside the control.
    setMask(region.isEmpty() ? QRegion(width(), height(), 1, 1) : region);
    update();
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, picture_);
}

void ImageButton::mousePressEvent(QMouseEvent* e) {
    // The press grabs the mouse (Qt's implicit grab) until the release.
    if (e->button() == Qt::LeftButton) pressed_ = true;
}

void ImageButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    if (mask().contains(e->position().toPoint()) && events.clicked) events.clicked();
}

void ImageButton::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double click is a press like any other.
    mousePressEvent(e);
}

// ---- styled button --------------------------------------------------------------------------

StyledButton::StyledButton(QWidget* parent) : QAbstractButton(parent) {
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(12);
    setFont(f);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (events.clicked) events.clicked();
    });
}

void StyledButton::setPicture(Picture png) {
    picture_ = decodedPicture(png, true);
    update();
}

void StyledButton::enterEvent(QEnterEvent* e) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(e);
}

void StyledButton::leaveEvent(QEvent* e) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void StyledButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const bool down = isDown();
    QColor face = pal.color(QPalette::Button);
    if (hovered_ && !down) {
        // A lighter shade of the face colour, halfway to white.
        face = QColor((face.red() + 255) / 2, (face.green() + 255) / 2, (face.blue() + 255) / 2);
    }
    p.fillRect(rect(), face);
    const int shift = down ? 1 : 0;
    p.save();
    p.setClipRect(rect());
    p.drawImage(shift, shift, picture_);
    p.setPen(pal.color(QPalette::ButtonText));
    p.setFont(font());
    p.drawText(rect().translated(shift, shift), Qt::AlignCenter, text());
    p.restore();
    if (down || hovered_) qDrawShadePanel(&p, rect(), pal, down, 1);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

// ---- edit box -------------------------------------------------------------------------------

EditBox::EditBox(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(4);
    setFrame(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!programWrite_ && events.contentChanged) events.contentChanged();
    });
}

void EditBox::setContent(const QString& text) {
    programWrite_ = true;
    setText(text);
    programWrite_ = false;
    if (events.contentChanged) events.contentChanged();
}

QString EditBox::normalised(const QString& text) {
    int i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = std::min<qint64>(value * 10 + (text[i].unicode() - '0'), qint64{1} << 32);
    }
    if (negative) value = -value;
    value = std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                               std::numeric_limits<qint32>::max());
    return value == 0 ? QString() : QString::number(value);
}

void EditBox::keyPressEvent(QKeyEvent* e) {
    const QString typed = e->text();
    const bool command =
        e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && typed.size() == 1 && typed[0].isPrint()) {
        const QChar c = typed[0];
        if (c != QLatin1Char('-') && !(c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            e->accept(); // refused
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

void EditBox::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    const QString n = normalised(text());
    if (n != text()) setText(n); // raises contentChanged through textChanged
}

// ---- check box and group box ------------------------------------------------------------------

CheckBox::CheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
    // clicked is emitted for the user's clicks only, never for setChecked.
    connect(this, &QCheckBox::clicked, this, [this] {
        if (events.clicked) events.clicked();
    });
}

GroupBox::GroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

} // namespace toolkit::detail
