#include "About.h"

#include "Main.h"
#include "Version.h"
#include "platform/Application.h"
#include "platform/Fonts.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>

TAboutBox *AboutBox = nullptr;

namespace {

const int kClientWidth = 289;
const int kClientHeight = 161;
const int kPictureSize = 128;

template <class W>
W *Placed(W *widget, const char *name, int left, int top)
{
    widget->setObjectName(QLatin1String(name));
    widget->move(left, top);
    return widget;
}

QLabel *Caption(QWidget *parent, const char *name, const QString &text, int left, int top, bool bold)
{
    auto *label = Placed(new QLabel(text, parent), name, left, top);
    label->setFont(WindowFont(11, bold));
    label->adjustSize();
    return label;
}

// A speech bubble: a rounded box with a tail below, at its left or right end.
QPainterPath Bubble(const QRectF &box, bool tailLeft)
{
    QPainterPath path;
    path.addRoundedRect(box, 12, 12);
    QPainterPath tail;
    const qreal x = tailLeft ? box.left() + 18 : box.right() - 18;
    const qreal dx = tailLeft ? -10 : 10;
    tail.moveTo(x - 8, box.bottom() - 2);
    tail.lineTo(x + dx, box.bottom() + 16);
    tail.lineTo(x + 8, box.bottom() - 2);
    tail.closeSubpath();
    return path.united(tail);
}

// Lines of "text" in a bubble, as rounded bars (the picture needs no font).
void TextBars(QPainter &painter, const QRectF &box, const QColor &color, std::initializer_list<qreal> widths)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    qreal y = box.top() + 11;
    for (qreal w : widths) {
        painter.drawRoundedRect(QRectF(box.left() + 12, y, (box.width() - 24) * w, 7), 3.5, 3.5);
        y += 13;
    }
}

QPixmap DrawProgramPicture()
{
    QPixmap picture(kPictureSize, kPictureSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    // The tile.
    QLinearGradient tile(0, 0, 0, kPictureSize);
    tile.setColorAt(0, QColor(0x2E, 0x6F, 0x9E));
    tile.setColorAt(1, QColor(0x17, 0x3F, 0x63));
    painter.setPen(QPen(QColor(0x0F, 0x2C, 0x47), 2));
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(3, 3, 122, 122), 22, 22);

    // The stock text, behind...
    const QRectF back(12, 16, 76, 50);
    painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 2));
    painter.setBrush(QColor(0xF4, 0xF1, 0xE8));
    painter.drawPath(Bubble(back, true));
    TextBars(painter, back, QColor(0x9A, 0x94, 0x88), {1.0, 0.8, 0.55});

    // ...and its translation in front.
    const QRectF front(40, 54, 76, 50);
    painter.setPen(QPen(QColor(0x7A, 0x3B, 0x00), 2));
    painter.setBrush(QColor(0xFF, 0xB3, 0x3C));
    painter.drawPath(Bubble(front, false));
    TextBars(painter, front, QColor(0x8A, 0x45, 0x00), {0.9, 1.0, 0.6});

    painter.end();
    return picture;
}

} // namespace

QPixmap ProgramPicture()
{
    static const QPixmap picture = DrawProgramPicture();
    return picture;
}

QIcon ProgramWindowIcon()
{
    return QIcon(ProgramPicture());
}

QString FormatFileVersion(const char *version)
{
    if (!version)
        return QString();
    const QStringList parts = QString::fromLatin1(version).split(u'.');
    if (parts.size() != 4)
        return QString();
    uint16_t numbers[4];
    for (int i = 0; i < 4; ++i) {
        const QString &part = parts[i];
        bool ok = !part.isEmpty();
        for (QChar c : part)
            ok = ok && c >= u'0' && c <= u'9';
        const unsigned value = ok ? part.toUInt(&ok) : 0;
        if (!ok || value > 0xFFFF)
            return QString();
        numbers[i] = uint16_t(value);
    }
    return QString::asprintf("%d.%d.%d.%d", int(numbers[0]), int(numbers[1]), int(numbers[2]),
                             int(numbers[3]));
}

// A fixed dialog: a title with a close button, neither minimise nor maximise, and a size
// of its own that the window manager is told it cannot change.
TAboutBox::TAboutBox(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFont(WindowFont(11));
    setFixedSize(kClientWidth, kClientHeight);

    Panel1 = Placed(new QFrame(this), "Panel1", 8, 8);
    Panel1->resize(273, 145);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(1);

    ProgramIcon = Placed(new QLabel(Panel1), "ProgramIcon", 6, 8);
    ProgramIcon->resize(kPictureSize, kPictureSize);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(ProgramPicture());

    ProductName = Caption(Panel1, "ProductName", QStringLiteral("Zorvane\r\nlanguage pack editor"),
                          140, 8, true);
    Version = Caption(Panel1, "Version", QStringLiteral("Version"), 140, 40, true);
    Ver = Caption(Panel1, "Ver", QStringLiteral("Version"), 188, 40, false);
    Comments = Caption(Panel1, "Comments",
                       QStringLiteral("Made for the players who give Zorvane their own language."),
                       140, 59, true);
    Comments->setWordWrap(true);
    Comments->setFixedWidth(273 - 140 - 6);
    Comments->adjustSize();

    OKButton = Placed(new QPushButton(QStringLiteral("OK"), Panel1), "OKButton", 188, 111);
    OKButton->resize(75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, AsHandler([this] { OKButtonClick(OKButton); }));

    // The version the build gave the program; without a readable one the label keeps its
    // caption.
    const QString version = FormatFileVersion(ProgramVersion());
    if (!version.isEmpty()) {
        Ver->setText(version);
        Ver->adjustSize();
    }

}

TAboutBox::~TAboutBox() = default;

void TAboutBox::OKButtonClick(QObject *)
{
    done(QDialog::Accepted);
}

void TAboutBox::showEvent(QShowEvent *event)
{
    // Centred on the main window at every showing.
    if (!event->spontaneous()) {
        const QWidget *main = parentWidget() ? parentWidget()->window() : ZvLngFrm;
        if (main) {
            const QRect frame = frameGeometry();
            move(main->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
        }
    }
    QDialog::showEvent(event);
}
