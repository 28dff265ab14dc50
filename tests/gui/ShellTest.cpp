#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "app/AboutBox.h"
#include "app/Application.h"
#include "app/Shell.h"
#include "app/Splash.h"
#include "app/WindowSettings.h"
#include "platform/Files.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "text/IniFile.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

// Records what the program asks the desktop to open.
class RecordingShell : public tg::Shell {
public:
    RecordingShell() { tg::setShell(this); }
    ~RecordingShell() override { tg::setShell(nullptr); }
    void open(QWidget* parent, const tg::Text& target) override {
        parents.push_back(parent);
        targets.push_back(target);
    }
    void openHelp(QWidget* parent, const tg::Text& helpFile, const tg::Text& page) override {
        open(parent, helpFile);
        pages.push_back(page);
    }
    std::vector<QWidget*> parents;
    std::vector<tg::Text> targets;
    std::vector<tg::Text> pages;
};

using tg::test::MainWindowDriver;

// The main window of a program whose executable is there.
MainFormEnvironment installedAs(const std::filesystem::path& executable) {
    MainFormEnvironment e;
    e.executablePath = executable;
    return e;
}

template <typename T> T* child(QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("No %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// Raises the error it was built with when it receives any event of type kThrow.
class Thrower : public QObject {
public:
    static constexpr QEvent::Type kThrow = QEvent::User;
    std::function<void()> raise;
    int handled = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() != kThrow)
            return QObject::event(e);
        ++handled;
        raise();
        return true;
    }
};

QColor textColour(QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The four values of section POSITION in file order, as "KEY=value".
QStringList position(const std::filesystem::path& ini) {
    tg::IniFile file(ini, tg::platform::replaceFile);
    QStringList values;
    for (const auto& key : file.readSection("POSITION"))
        values << QString::fromStdString(key + "=" + file.readString("POSITION", key, "?"));
    return values;
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void init();

    void firstStartUsesTheDesignPlaceAndWritesItAtClose();
    void missingValuesTakeTheirDefaults();
    void placeOnAScreenIsRestoredAsItIsAnyOtherIsFitted();
    void fittingWorksOnEveryScreen();
    void settingsFileFollowsTheExecutableName();
    void brokenOrUnwritableSettingsNeverStopTheProgram();

    void splashStaysTwoSecondsThenGoes();
    void closingTheMainWindowEndsEvenUnderTheSplash();

    void aboutBoxIsOneModalWindowWithTwoLinks();
    void f1OpensTheHelpFileBesideTheExecutable();

    void errorsLeavingAHandlerAreShownAndTheProgramGoesOn();

private:
    std::filesystem::path file(const QString& name) const {
        return std::filesystem::path(dir->filePath(name).toStdU16String());
    }

    std::unique_ptr<QTemporaryDir> dir;
};

void ShellTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

// Closing writes the place; unsaved output is dropped only once the user has said so.
void ShellTest::firstStartUsesTheDesignPlaceAndWritesItAtClose() {
    ScriptedDialogs dialogs;
    {
        MainWindowDriver form(installedAs(file("tginfo.exe")));
        QCOMPARE(form->frameGeometry(), QRect(343, 132, 708, 480));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.form()));
        QCOMPARE(form->frameGeometry(), QRect(343, 132, 708, 480));
        QVERIFY(!std::filesystem::exists(file("tginfo.INI")));
        form.runWith("arp", "unsaved\r\n");
        QVERIFY(form->isModified());
        dialogs.answers = {tg::Dialogs::IdNo};
        form.trigger("FileExit1");
        QVERIFY(!form->isVisible());
    }
    QCOMPARE(dialogs.boxes.size(), size_t(1));
    QCOMPARE(position(file("tginfo.INI")),
             QStringList({"TOP=132", "LEFT=343", "HEIGHT=480", "WIDTH=708"}));
}

void ShellTest::missingValuesTakeTheirDefaults() {
    writeFile(file("tginfo.INI"), "[POSITION]\r\nTOP=10\r\nLEFT=20\r\n");
    MainWindowDriver form(installedAs(file("tginfo.exe")));
    QCOMPARE(form->frameGeometry(), QRect(20, 10, 600, 400));

    // An empty section exists too: every value takes its default.
    writeFile(file("empty.INI"), "[POSITION]\r\n[HISTORY]\r\nFILE0=a\r\n");
    MainWindowDriver empty(installedAs(file("empty.exe")));
    QCOMPARE(empty->frameGeometry(), QRect(0, 0, 600, 400));
}

void ShellTest::placeOnAScreenIsRestoredAsItIsAnyOtherIsFitted() {
    // On the screen, in another letter case: placed exactly there.
    writeFile(file("tginfo.INI"),
              "[position]\r\nwidth=650\r\nheight=450\r\ntop=30\r\nleft=100\r\n");
    QRect outer;
    {
        MainWindowDriver form(installedAs(file("tginfo.exe")));
        QCOMPARE(form->frameGeometry(), QRect(100, 30, 650, 450));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.form()));
        form->move(40, 30);
        form->resize(777, 555);
        outer = form->frameGeometry();
    }
    // Written back where the keys stand, the outer frame as it was at the end.
    QCOMPARE(position(file("tginfo.INI")),
             QStringList({QString("width=%1").arg(outer.width()),
                          QString("height=%1").arg(outer.height()), "top=30", "left=40"}));
    MainWindowDriver again(installedAs(file("tginfo.exe")));
    again->show();
    QVERIFY(QTest::qWaitForWindowExposed(&again.form()));
    QTRY_COMPARE(again->frameGeometry(), outer);

    // Off every screen, or larger than the screen: moved and shrunk onto it.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const std::vector<std::pair<std::string, QRect>> places{
        {"TOP=-3000\r\nLEFT=5000\r\nHEIGHT=450\r\nWIDTH=650",
         QRect(screen.right() + 1 - 650, screen.top(), 650, 450)},
        {"TOP=2147483647\r\nLEFT=-2147483648\r\nHEIGHT=450\r\nWIDTH=650",
         QRect(screen.left(), screen.bottom() + 1 - 450, 650, 450)},
        {"TOP=10\r\nLEFT=20\r\nHEIGHT=100000\r\nWIDTH=100000", screen}};
    for (const auto& [place, fitted] : places) {
        writeFile(file("far.INI"), "[POSITION]\r\n" + place + "\r\n");
        MainWindowDriver far(installedAs(file("far.exe")));
        QCOMPARE(far->frameGeometry(), fitted);
    }
}

// Two screens side by side, the second one smaller and lower, as a laptop beside a monitor.
void ShellTest::fittingWorksOnEveryScreen() {
    const QList<QRect> screens{QRect(0, 0, 1920, 1040), QRect(1920, 200, 1280, 760)};
    auto fit = [&](int left, int top, int width, int height) {
        tg::FramePlacement placed = tg::fitOnScreens({top, left, height, width}, screens);
        return QRect(placed.left, placed.top, placed.width, placed.height);
    };
    // On either screen, across both, or partly off one with its top edge showing: kept.
    QCOMPARE(fit(2000, 300, 708, 480), QRect(2000, 300, 708, 480));
    QCOMPARE(fit(1500, 250, 708, 480), QRect(1500, 250, 708, 480));
    QCOMPARE(fit(-300, 500, 708, 480), QRect(-300, 500, 708, 480));
    // Where the second screen was before it was taken away: onto the nearest one.
    QCOMPARE(fit(3400, 300, 708, 480), QRect(2492, 300, 708, 480));
    // Above the second screen, beside the first: the top edge would be out of reach.
    QCOMPARE(fit(2000, 10, 708, 480), QRect(2000, 200, 708, 480));
    // Larger than the screen it is most on: the size of that screen.
    QCOMPARE(fit(1930, 210, 1900, 1000), QRect(1920, 200, 1280, 760));
}
void ShellTest::settingsFileFollowsTheExecutableName() {
    // A renamed executable, its name beyond ASCII, names its settings file.
    const std::filesystem::path renamed = file(QStringLiteral("\u8868.exe"));
    { MainWindowDriver form(installedAs(renamed)); }
    QVERIFY(std::filesystem::exists(file(QStringLiteral("\u8868.INI"))));
    QVERIFY(!std::filesystem::exists(file("tginfo.INI")));

    // Without an extension, as on Linux, the settings file gets one.
    { MainWindowDriver form(installedAs(file("tginfo"))); }
    QCOMPARE(position(file("tginfo.INI")).size(), 4);
}

void ShellTest::brokenOrUnwritableSettingsNeverStopTheProgram() {
    std::string garbage = "\xFF\xFE[POSITION\x00\r\nTOP=1\r\n\x81\x5C=\x01\x02";
    for (int i = 0; i < 256; ++i)
        garbage += static_cast<char>((i * 37) & 0xFF);
    writeFile(file("broken.INI"), garbage);
    {
        MainWindowDriver form(installedAs(file("broken.exe")));
        QCOMPARE(form->frameGeometry(), QRect(343, 132, 708, 480));
    }
    QCOMPARE(position(file("broken.INI")).size(), 4);

    // A settings file that cannot be written: the window closes quietly all the same.
    std::filesystem::create_directory(file("folder.INI"));
    ScriptedDialogs dialogs;
    {
        MainWindowDriver form(installedAs(file("folder.exe")));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.form()));
        form->close();
    }
    QVERIFY(dialogs.errors.empty());
    QVERIFY(std::filesystem::is_directory(file("folder.INI")));
}

void ShellTest::splashStaysTwoSecondsThenGoes() {
    QElapsedTimer clock;
    clock.start();
    QPointer<TSplash> splash = new TSplash;
    qint64 goneAfter = -1;
    connect(splash, &QObject::destroyed, this, [&] { goneAfter = clock.elapsed(); });

    QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(splash->windowFlags() & Qt::WindowTitleHint));
    QVERIFY(!splash->parent());
    // The window system here frames no caption-less window: the splash draws its dialog frame
    // around the client area itself.
    QVERIFY(splash->drawsOwnFrame());
    QCOMPARE(splash->clientArea()->geometry(), QRect(3, 3, 463, 166));
    QCOMPARE(splash->size(), QSize(469, 172));
    auto* image = child<QLabel>(splash, "Image1");
    QCOMPARE(image->parentWidget(), splash->clientArea());
    QCOMPARE(image->geometry(), QRect(0, 0, 465, 164));
    QCOMPARE(image->pixmap().size(), QSize(465, 164));

    splash->showNow();
    QVERIFY(splash->isVisible());
    QVERIFY(splash->windowHandle()->isExposed());
    QCOMPARE(splash->frameGeometry().center(),
             QGuiApplication::primaryScreen()->geometry().center());
    const QImage frame = splash->grab().toImage();
    QCOMPARE(frame.pixel(0, 0), splash->palette().color(QPalette::Light).rgb());
    QCOMPARE(frame.pixel(468, 171), splash->palette().color(QPalette::Shadow).rgb());
    QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 6000);
    QVERIFY2(goneAfter >= 2000, qPrintable(QString::number(goneAfter)));
}

void ShellTest::closingTheMainWindowEndsEvenUnderTheSplash() {
    auto* splash = new TSplash;
    splash->showNow();
    MainWindowDriver form(installedAs(file("tginfo.exe")));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(&form.form()));

    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, &form.form(), &QWidget::close);
    QTimer::singleShot(5000, qApp, &QCoreApplication::quit); // a guard, should the loop stay
    QApplication::exec();
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    delete splash;
}

void ShellTest::aboutBoxIsOneModalWindowWithTwoLinks() {
    RecordingShell shell;
    MainWindowDriver form(installedAs(file("tginfo.exe")));
    TAboutBox about;
    AboutBox = &about;
    const QColor blue(0, 0, 255);
    const QColor red(255, 0, 0);
    auto* label2 = child<QLabel>(&about, "Label2");
    QList<QWidget*> shown;
    QPoint centre;
    QList<QColor> colours; // of each link: before, while pointed at, after
    // First closed with OK, then with Enter; the same window both times, and modal.
    QTimer::singleShot(0, this, [&] {
        shown << QApplication::activeModalWidget();
        centre = about.frameGeometry().center();
        for (QLabel* link : {child<QLabel>(&about, "URL"), label2}) {
            colours << textColour(link);
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)));
            QApplication::sendEvent(link, &enter);
            colours << textColour(link);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(link, &leave);
            colours << textColour(link);
            QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
        }
        child<QPushButton>(&about, "OKButton")->click();
    });
    form.trigger("HelpAbout");
    QTimer::singleShot(0, this, [&] {
        shown << QApplication::activeModalWidget();
        QTest::keyClick(&about, Qt::Key_Return);
    });
    form.trigger("HelpAbout");
    AboutBox = nullptr;
    QCOMPARE(shown, (QList<QWidget*>{&about, &about}));
    QCOMPARE(centre, about.screen()->geometry().center());
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
    QCOMPARE(colours, (QList<QColor>{blue, red, blue, blue, red, blue}));
    QCOMPARE(shell.targets, (std::vector<tg::Text>{TAboutBox::productPage,
                                                   "mailto:" + TAboutBox::supportAddress}));
    QCOMPARE(shell.parents, (std::vector<QWidget*>{&about, &about}));
    // The whole address can be read.
    QVERIFY(label2->width() >= label2->sizeHint().width());
}

void ShellTest::f1OpensTheHelpFileBesideTheExecutable() {
    RecordingShell shell;
    MainWindowDriver form(installedAs(file(QStringLiteral("\u8868.exe"))));
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(&form.form()));
    QTest::keyClick(&form.form(), Qt::Key_F1);
    form.select("ping");
    form.control("Edit_target")->setFocus();
    QTest::keyClick(form.control("Edit_target"), Qt::Key_F1);
    // The shell gets the cp932 path: 表 is 95 5C.
    const tg::Text help = tg::fromNativePath(file(QStringLiteral("\u8868.chm")));
    QVERIFY(help.size() > 6 && help.substr(help.size() - 6) == "\x95\x5C.chm");
    QCOMPARE(shell.targets, (std::vector<tg::Text>{help, help}));
    // At the current view's page, one the help file has.
    QCOMPARE(shell.pages, (std::vector<tg::Text>{"winconf.html", "ping.html"}));
    QCOMPARE(shell.parents.front(), &form.form());
}

void ShellTest::errorsLeavingAHandlerAreShownAndTheProgramGoesOn() {
    ScriptedDialogs dialogs;
    Thrower thrower;
    auto raise = [&](std::function<void()> how) {
        thrower.raise = std::move(how);
        QEvent event(Thrower::kThrow);
        QApplication::sendEvent(&thrower, &event);
    };
    raise([] { throw tg::Error("\x83\x74\x83\x40\x83\x43\x83\x8B: C:\\\x95\x5C"); });
    // Whatever comes without a text of its own gets one: no box is empty.
    raise([] { throw tg::Error(""); });
    raise([] { throw std::runtime_error("detail"); });
    raise([] { throw std::runtime_error(""); });
    raise([] { throw std::bad_alloc(); });
    raise([] { throw 42; });
    QCOMPARE(thrower.handled, 6);
    const tg::Text unexpected =
        tg::utf8ToCp932("予期しないエラーが起きたため、操作を終えられませんでした。");
    QCOMPARE(
        dialogs.errors,
        (std::vector<tg::Text>{
            "\x83\x74\x83\x40\x83\x43\x83\x8B: C:\\\x95\x5C", unexpected,
            unexpected + tg::utf8ToCp932("\n（detail）"), unexpected,
            tg::utf8ToCp932("メモリが足りないため、操作を終えられませんでした。"), unexpected}));

    // An action handler run from a key press, the road a user's command takes.
    MainWindowDriver form(installedAs(file("tginfo.exe")));
    auto* failing = new QAction(&form.form());
    failing->setShortcut(Qt::Key_F9);
    form->addAction(failing);
    connect(failing, &QAction::triggered, &form.form(),
            tg::guarded([] { throw tg::Error("list index"); }));
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(&form.form()));
    QTest::keyClick(&form.form(), Qt::Key_F9);
    QCOMPARE(dialogs.errors.back(), tg::Text("list index"));
    QTest::keyClick(&form.form(), Qt::Key_F9);
    QCOMPARE(dialogs.errors.size(), size_t(8));
}

int main(int argc, char* argv[]) {
    tg::Application application(argc, argv);
    ShellTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ShellTest.moc"
