// Draws the help picture and writes it as help.png into the directory named by the only
// argument: our own main window, built from its form in a fixed example state, framed with a
// title bar of our own and annotated with four red notes and arrows.
//
// The window is built on Qt's offscreen platform with a creation handler of this tool's own, so
// no settings file is read or written and no background thread starts.

#include "assets/embedded.h"
#include "core/periodTable.h"
#include "core/reminderLists.h"
#include "platform/encoding/gbk.h"
#include "platform/png/png.h"
#include "platform/toolkit/testing.h"
#include "platform/toolkit/toolkit.h"
#include "ui/forms.h"
#include "ui/programState.h"
#include "ui/startup.h"
#include "workers/tickers.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using toolkit::ControlRef;

constexpr QSize pictureSize(1139, 482);
constexpr QSize windowSize(536, 191); // the main window's outer size
constexpr QPoint windowAt(293, 127);
const QColor fieldColour(0x99, 0xAC, 0xAA);
const QColor noteColour(0xFB, 0x38, 0x38);

// Our window frame: a thin border all round and a title bar above the client area.
constexpr int borderWidth = 3;
constexpr int titleBarHeight = 24;
constexpr QPoint clientAt(borderWidth, borderWidth + titleBarHeight);

// The example state shown: 酉 selected, the countdown standing over 戌 during its third minute.
constexpr int shownMinute = 32;
constexpr int shownSecond = 13;

std::filesystem::path outputDirectory;

std::string gbk(const char* utf8) {
    return encoding::toGbk(utf8);
}

// Stands in for the main window's creation handler: the program-wide state and the controls
// set as the picture shows them, with no settings path, so nothing is stored anywhere.
void onPictureWindowCreated(ControlRef window) {
    ui::mainWindow = window;
    toolkit::setText(window, gbk("Vorlane时辰提醒工具"));

    ui::periodNames = core::OneBased<std::string>();
    ui::rangeLabelTexts = core::OneBased<std::string>();
    ui::AdvanceList = core::AdvanceList();
    for (std::size_t k = 1; k <= core::PeriodTable.size(); ++k) {
        const core::Period& period = core::PeriodTable[k - 1];
        ui::periodNames.push_back(encoding::toGbk(period.name));
        ui::rangeLabelTexts.push_back(encoding::toGbk(period.rangeLabel));
        ui::AdvanceList.push_back(k == 5 || k == 6 ? "1" : "0");
    }
    ui::replaceSelection(gbk("酉*"));
    ui::periodButtons = core::OneBased<ControlRef>(core::periodCount);
    ui::advanceBoxes = core::OneBased<ControlRef>(core::periodCount);
    ui::rangeLabels = core::OneBased<ControlRef>(core::periodCount);

    toolkit::setChecked(ui::mainControl(ui::names::beepBox), true);
    toolkit::setChecked(ui::mainControl(ui::names::messageBoxBox), true);
    toolkit::setChecked(ui::mainControl(ui::names::musicBox), true);
    toolkit::setChecked(ui::mainControl(ui::names::launcherBox), false);
    toolkit::setChecked(ui::mainControl(ui::names::iconBox), false);
    ui::buildPeriodColumns();

    workers::PeriodNames names;
    for (int k = 1; k <= core::periodCount; ++k)
        names[k - 1] = ui::periodNames[k];
    const ControlRef countdown = ui::mainControl(ui::names::countdownLabel);
    const ControlRef shownButton = ui::periodButtons[core::periodAt(shownMinute)];
    toolkit::setLeft(countdown, workers::countdownLabelLeft(toolkit::left(shownButton),
                                                            toolkit::width(countdown),
                                                            toolkit::width(shownButton)));
    toolkit::setText(countdown, workers::countdownText(shownMinute, shownSecond, names));

    toolkit::setText(ui::mainControl(ui::names::rangeLabelTemplate), gbk("时辰"));
    toolkit::setVisible(ui::mainControl(ui::names::helpLabel), false);
}

// A control's rectangle in the client area, also for controls inside the group box.
QRect clientRect(ControlRef ref) {
    QRect r(toolkit::left(ref), toolkit::top(ref), toolkit::width(ref), toolkit::height(ref));
    if (const QWidget* w = toolkit::testing::widgetFor(ref); w && w->parentWidget()) {
        if (!w->parentWidget()->isWindow()) r.translate(w->parentWidget()->pos());
    }
    return r;
}

// The same rectangle in the help picture.
QRectF pictureRect(ControlRef ref) {
    return QRectF(clientRect(ref)).translated(windowAt + clientAt);
}

void drawCloseGlyph(QPainter& p, QPointF centre) {
    const double h = 5;
    p.drawLine(centre + QPointF(-h, -h), centre + QPointF(h, h));
    p.drawLine(centre + QPointF(-h, h), centre + QPointF(h, -h));
}

// The window as it looks on the desktop: frame, title bar with icon, caption, minimise and
// close buttons, and the client area cut to fit inside.
QImage framedWindow(const QImage& client, const QString& caption) {
    QImage out(windowSize, QImage::Format_RGB32);
    out.fill(QColor(0xFF, 0xFF, 0xFF));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);

    const QSize clientSize(windowSize.width() - 2 * borderWidth,
                           windowSize.height() - clientAt.y() - borderWidth);
    p.drawImage(clientAt, client, QRect(QPoint(0, 0), clientSize));

    const QRect bar(borderWidth, borderWidth, clientSize.width(), titleBarHeight);
    const QImage icon = QImage::fromData(assets::icon().data(), int(assets::icon().size()));
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(bar.left() + 5, bar.top() + (bar.height() - 16) / 2, 16, 16), icon);

    QFont captionFont = QApplication::font();
    captionFont.setPixelSize(12);
    p.setFont(captionFont);
    p.setPen(QColor(0x1A, 0x1A, 0x1A));
    p.drawText(bar.adjusted(28, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, caption);

    constexpr int buttonWidth = 40;
    const QRectF closeButton(bar.right() + 1 - buttonWidth, bar.top(), buttonWidth, bar.height());
    const QRectF minimiseButton = closeButton.translated(-buttonWidth, 0);
    p.setPen(QPen(QColor(0x1A, 0x1A, 0x1A), 1.2));
    drawCloseGlyph(p, closeButton.center());
    const QPointF m = minimiseButton.center();
    p.drawLine(m + QPointF(-5, 0.5), m + QPointF(5, 0.5));

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x5E, 0x6E, 0x6C));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(0, 0), windowSize - QSize(1, 1)));
    p.setPen(QColor(0xC8, 0xCE, 0xCD));
    p.drawRect(QRect(clientAt - QPoint(1, 1), clientSize + QSize(1, 1)));
    return out;
}

QFont noteFont() {
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(20);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// A note's lines with their top-left corner at `at`; returns the rectangle they take.
QRectF drawNote(QPainter& p, QPointF at, const QStringList& lines) {
    const QFontMetricsF metrics(p.font());
    QRectF taken(at, QSizeF(0, 0));
    QPointF baseline = at + QPointF(0, metrics.ascent());
    for (const QString& line : lines) {
        p.drawText(baseline, line);
        taken |= QRectF(baseline - QPointF(0, metrics.ascent()),
                        QSizeF(metrics.horizontalAdvance(line), metrics.height()));
        baseline.ry() += metrics.lineSpacing();
    }
    return taken;
}

// A straight line from `from` with a filled head whose tip is at `to`.
void drawArrow(QPainter& p, QPointF from, QPointF to) {
    constexpr double headLength = 13, headHalfWidth = 5.5;
    const QLineF line(from, to);
    const QPointF unit = (to - from) / line.length();
    const QPointF normal(-unit.y(), unit.x());
    const QPointF base = to - unit * headLength;
    p.setPen(QPen(noteColour, 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(from, base + unit * 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(noteColour);
    p.drawPolygon(QPolygonF{to, base + normal * headHalfWidth, base - normal * headHalfWidth});
}

QImage helpPicture(const QImage& window) {
    QImage out(pictureSize, QImage::Format_RGB32);
    out.fill(fieldColour);
    QPainter p(&out);
    p.drawImage(windowAt, window);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(noteFont());
    p.setPen(noteColour);

    const QRectF periodButton = pictureRect(ui::periodButtons[6]);
    const QRectF advanceBox = pictureRect(ui::advanceBoxes[6]);
    const QRectF switchButton = pictureRect(ui::mainControl(ui::names::switchButton));
    const QRectF methods = pictureRect(ui::mainControl(ui::names::beepBox)) |
                           pictureRect(ui::mainControl(ui::names::musicBox));

    p.setPen(noteColour);
    const QRectF note1 = drawNote(p, QPointF(678, 78),
                                  {QStringLiteral("1.点击要提醒的时辰 可以多选 第一次点击"),
                                   QStringLiteral("选中 点击第二次取消")});
    drawArrow(p, note1.bottomLeft() + QPointF(4, 2),
              QPointF(periodButton.right() - 4, periodButton.top() + 3));

    p.setPen(noteColour);
    const QRectF note2 = drawNote(p, QPointF(864, 258),
                                  {QStringLiteral("2.设置提前的时间 0是不"),
                                   QStringLiteral("提前 设置负数没有测试"), QStringLiteral("过")});
    const double row = advanceBox.bottom() + 3;
    drawArrow(p, QPointF(note2.left() - 6, row), QPointF(advanceBox.right() + 2, row));

    p.setPen(noteColour);
    const QRectF note3 = drawNote(p, QPointF(612, 408),
                                  {QStringLiteral("3.选择报警的方式 峰鸣好像失效"),
                                   QStringLiteral("提示框和音乐报警是有用的")});
    drawArrow(p, note3.topLeft() + QPointF(30, -2),
              QPointF(methods.center().x(), methods.bottom() + 1));

    p.setPen(noteColour);
    const QRectF note4 = drawNote(p, QPointF(143, 426), {QStringLiteral("4.单击 开启/关闭")});
    drawArrow(p, QPointF(note4.center().x() + 20, note4.top() - 2),
              QPointF(switchButton.center().x(), switchButton.bottom() + 1));
    return out;
}

bool writePng(const QImage& picture, const std::filesystem::path& path) {
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    png::Image image{rgba.width(), rgba.height(), {}};
    for (int y = 0; y < rgba.height(); ++y) {
        const auto* row = rgba.constScanLine(y);
        image.rgba.insert(image.rgba.end(), row, row + rgba.width() * 4);
    }
    const std::vector<std::uint8_t> bytes = png::encode(image);
    if (bytes.empty()) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int drawHelpPicture() {
    static toolkit::FormTemplate form = ui::mainForm;
    form.onCreated = onPictureWindowCreated;
    form.onDestroying = nullptr; // the window's position is not ours to store
    const ControlRef window = toolkit::loadWindow(form);
    QWidget* widget = toolkit::testing::widgetFor(window);
    if (!widget) {
        std::fprintf(stderr, "drawHelpPicture: the main window could not be built\n");
        return 1;
    }
    const QImage client = widget->grab().toImage();
    const QString caption = QString::fromStdString(encoding::toUtf8(toolkit::text(window)));
    const QImage picture = helpPicture(framedWindow(client, caption));
    const std::filesystem::path path = outputDirectory / "help.png";
    if (!writePng(picture, path)) {
        std::fprintf(stderr, "drawHelpPicture: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawHelpPicture <output directory>\n");
        return 2;
    }
    // The toolkit makes the executable's folder the current one; keep the caller's meaning.
    outputDirectory = std::filesystem::absolute(argv[1]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return toolkit::run(1, argv, drawHelpPicture);
}
