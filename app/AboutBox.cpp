#include "app/AboutBox.h"

#include "app/AppIcons.h"
#include "app/Shell.h"
#include "ui/QtText.h"
#include "ui/Style.h"
#include "ui/WindowPlace.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

TAboutBox* AboutBox = nullptr;

const tg::Text TAboutBox::productPage = "https://www.example.com/tginfo/";
const tg::Text TAboutBox::supportAddress = "support@example.com";

namespace {

const QColor kLinkColour(0, 0, 255);
const QColor kPointedLinkColour(255, 0, 0);

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(place);
    return l;
}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QLabel* link(QWidget* parent, const char* name, const tg::Text& text, const QRect& place) {
    QLabel* l = label(parent, name, tg::toQString(text), place);
    QFont font = l->font();
    font.setUnderline(true);
    l->setFont(font);
    l->setCursor(Qt::PointingHandCursor);
    setTextColour(l, kLinkColour);
    // The whole address stays readable whatever the font's widths.
    l->resize(std::max(place.width(), l->sizeHint().width()), place.height());
    return l;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent, tg::kDialogWindowFlags) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("TIDEGAUGE-INFOについて"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(386, 247);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    // Raised inside, lowered outside: an etched panel.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 369, 233);
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);

    ProgramIcon = label(Panel1, "ProgramIcon", {}, {16, 12, 41, 33});
    ProgramIcon->setPixmap(tg::programIcon().pixmap(48, 48));
    ProgramIcon->setScaledContents(true);
    Image1 = label(Panel1, "Image1", {}, {64, 3, 281, 46});
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(tg::logoPicture());

    LablePVersion =
        label(Panel1, "LablePVersion", QStringLiteral("Version 2.0.0"), {72, 49, 200, 12});
    Notice1 = label(Panel1, "Notice1", QStringLiteral("ネットワークとシステムの情報をまとめて"),
                    {72, 64, 262, 12});
    Notice2 = label(Panel1, "Notice2", QStringLiteral("表示します。"), {264, 80, 97, 12});
    Notice2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Bevel1 = new QFrame(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(72, 80 + 25 - 2, 289, 2);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    URL = link(Panel1, "URL", productPage, {92, 184, 218, 12});
    Label2 = link(Panel1, "Label2", supportAddress, {92, 200, 118, 12});
    for (QLabel* l : {URL, Label2})
        l->installEventFilter(this);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(23, 196, 58, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* event) {
    // Each time, by its frame: the first showing knows the frame only from the main window's.
    tg::centreOnScreen(this);
    QDialog::showEvent(event);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    bool url = watched == URL;
    if (!url && watched != Label2)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        url ? URLMouseEnter() : Label2MouseEnter();
        break;
    case QEvent::Leave:
        url ? URLMouseLeave() : Label2MouseLeave();
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            url ? URLClick() : Label2Click();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::URLClick() {
    tg::shell().open(this, productPage);
}

void TAboutBox::URLMouseEnter() {
    setTextColour(URL, kPointedLinkColour);
}

void TAboutBox::URLMouseLeave() {
    setTextColour(URL, kLinkColour);
}

void TAboutBox::Label2Click() {
    tg::shell().open(this, "mailto:" + supportAddress);
}

void TAboutBox::Label2MouseEnter() {
    setTextColour(Label2, kPointedLinkColour);
}

void TAboutBox::Label2MouseLeave() {
    setTextColour(Label2, kLinkColour);
}
