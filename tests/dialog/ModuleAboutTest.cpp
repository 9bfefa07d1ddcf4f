// The about box through the built module's exported entry point, as a host
// calls it, on Qt's offscreen platform. Each test runs in a process of its
// own (the first one needs a process in which nothing has started Qt).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sdk/PIFilter.h"
#include "tests/dialog/AboutDriver.h"
#include "tests/support/FakeHost.h"

namespace velmora::test {
namespace {

// The module file the first call loads; a test may name another one before.
std::string ModulePath = VELMORA_MODULE_PATH;

sdk::EntryPointProc Entry() {
    static sdk::EntryPointProc entry = [] {
        void* handle = dlopen(ModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return sdk::EntryPointProc(nullptr);
        return reinterpret_cast<sdk::EntryPointProc>(dlsym(handle, sdk::kEntryPointName));
    }();
    return entry;
}

int16_t Call(int16_t selector, void* record) {
    sdk::EntryPointProc entry = Entry();
    if (!entry) {
        ADD_FAILURE() << "cannot load " << ModulePath << ": " << dlerror();
        return INT16_MIN;
    }
    int32_t data = 0;
    int16_t result = 0x5555;
    entry(selector, record, &data, &result);
    return result;
}

// One about call; `action` runs on the box while it is up.
int16_t About(tAboutAction action, sdk::PlatformData* platform = nullptr) {
    WatchFromApplicationStart();
    OnAboutBox(std::move(action));
    sdk::AboutRecord about{};
    sdk::PlatformData none{};
    about.platformData = platform ? platform : &none;
    const int16_t result = Call(sdk::kSelectorAbout, &about);
    EXPECT_TRUE(PendingAboutAction() == nullptr) << "the about box never came up";
    return result;
}

template <class T = QLabel>
T* Child(QWidget& form, const char* name) {
    T* child = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void CheckLink(QLabel* label, QRect geometry, const QString& text) {
    ASSERT_NE(label, nullptr);
    SCOPED_TRACE(label->objectName().toStdString());
    EXPECT_EQ(label->geometry(), geometry);
    EXPECT_EQ(label->text(), text);
    EXPECT_EQ(label->font().pixelSize(), 13);
    EXPECT_TRUE(label->font().underline());
    EXPECT_FALSE(label->font().bold());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
}

// Catches the addresses the box opens instead of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    UrlCatcher() {
        for (const char* scheme : kSchemes)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~UrlCatcher() override {
        for (const char* scheme : kSchemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    std::vector<QUrl> opened;

  public slots:
    void Open(const QUrl& url) { opened.push_back(url); }

  private:
    static constexpr const char* kSchemes[] = {"file", "https", "http"};
};

void Click(QWidget* widget, QPoint at = {});

// The guide's front page in the folder beside the module file, with a section.
QUrl GuidePage(const QString& moduleFolder, const QString& section = {}) {
    QUrl page = QUrl::fromLocalFile(moduleFolder + QStringLiteral("/velmora-guide/index.html"));
    if (!section.isEmpty()) page.setFragment(section);
    return page;
}

std::vector<std::string> Addresses(const std::vector<QUrl>& urls) {
    std::vector<std::string> addresses;
    for (const QUrl& url : urls) addresses.push_back(url.toString().toStdString());
    return addresses;
}

// Clicks a link of the box and answers what it opened.
std::vector<std::string> OpenedByClicking(const char* label) {
    std::unique_ptr<UrlCatcher> catcher;
    std::vector<QUrl> opened;
    const int16_t result = About([&](QWidget& form) {
        // The handler needs the application, which the first call creates.
        catcher = std::make_unique<UrlCatcher>();
        Click(Child(form, label));
        EXPECT_FALSE(form.isVisible());
        opened = catcher->opened;
    });
    EXPECT_EQ(result, 0);
    return Addresses(opened);
}

// Visible or not: the form must be gone once its call has returned.
bool AnyAboutForm() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("TAboutForm")) return true;
    return false;
}

void Click(QWidget* widget, QPoint at) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
}

TEST(AboutBox, HeadlessRunStartsNoQtTheAboutBoxStartsItAndShowsTheDesignedForm) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    FakeHost host(sdk::kModeRGB, 6, 4);
    for (size_t i = 0; i < host.in.size(); ++i) host.in[i] = uint8_t(i * 37 + 11);
    host.CopyInToOut();
    for (int16_t s :
         {sdk::kSelectorPrepare, sdk::kSelectorStart, sdk::kSelectorContinue, sdk::kSelectorFinish})
        EXPECT_EQ(Call(s, &host.record), 0) << s;
    EXPECT_EQ(QCoreApplication::instance(), nullptr) << "a headless run started Qt";

    const int16_t result = About([](QWidget& form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Zeq Velmora Pro"));
        EXPECT_EQ(form.size(), QSize(300, 120));
        EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the box must not be resizable";
        const Qt::WindowFlags flags = form.windowFlags();
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
        EXPECT_TRUE(flags & Qt::WindowTitleHint);
        EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint));
        const QRect area = form.screen()->availableGeometry();
        const QPoint offset = form.frameGeometry().center() - area.center();
        EXPECT_LE(offset.manhattanLength(), 2) << "not centred on the screen";

        QLabel* name = Child(form, "NameLabel");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->geometry(), QRect(62, 16, 179, 16));
        EXPECT_EQ(name->text(), QStringLiteral("Zeq Velmora 3.15b Pro"));
        EXPECT_TRUE(name->font().bold());
        EXPECT_EQ(name->font().pixelSize(), 13);
        EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(Qt::black));
        EXPECT_TRUE(name->alignment() & Qt::AlignHCenter);
        EXPECT_FALSE(name->autoFillBackground()) << "the name is drawn transparent";
        CheckLink(Child(form, "URL"), QRect(24, 56, 250, 16), QStringLiteral("Velmora user guide"));
        CheckLink(Child(form, "CreditLabel"), QRect(44, 79, 217, 16),
                  QStringLiteral("Разработка: проект Velmora"));
        // The Cyrillic credit line needs a font that has the glyphs.
        EXPECT_EQ(QFontInfo(Child(form, "CreditLabel")->font()).family(),
                  QStringLiteral("DejaVu Sans"));

        if (const char* shot = std::getenv("VELMORA_ABOUT_SCREENSHOT")) form.grab().save(shot);
        QTest::keyClick(&form, Qt::Key_A);
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(result, 0);
    EXPECT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    EXPECT_EQ(ForcedCloses(), 0);
}

TEST(AboutBox, AnyCharacterKeyOrClickClosesItAndItComesBackEveryTime) {
    struct Case {
        const char* what;
        std::function<void(QWidget&)> close;
    };
    const auto typed = [](const QString& text, int key) {
        return [text, key](QWidget& form) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QApplication::sendEvent(&form, &press);
        };
    };
    const Case cases[] = {
        {"letter", [](QWidget& form) { QTest::keyClick(&form, Qt::Key_Q); }},
        // Qt codes a letter key outside Latin-1 as its upper-case code point.
        {"Cyrillic letter", typed(QStringLiteral("ж"), 0x0416)},
        {"space", [](QWidget& form) { QTest::keyClick(&form, Qt::Key_Space); }},
        {"Escape", [](QWidget& form) { QTest::keyClick(&form, Qt::Key_Escape); }},
        {"Enter", [](QWidget& form) { QTest::keyClick(&form, Qt::Key_Return); }},
        {"click on the form", [](QWidget& form) { Click(&form, QPoint(8, 110)); }},
        {"click on the name", [](QWidget& form) { Click(Child(form, "NameLabel")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int16_t result = About([&c](QWidget& form) {
            // Keys without a character leave it open.
            QTest::keyClick(&form, Qt::Key_Shift);
            QTest::keyClick(&form, Qt::Key_F5);
            QTest::keyClick(&form, Qt::Key_Left);
            EXPECT_TRUE(form.isVisible()) << "closed by a key without a character";
            c.close(form);
            EXPECT_FALSE(form.isVisible());
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(VisibleAboutBox(), nullptr);
        EXPECT_FALSE(AnyAboutForm()) << "the form outlived its about call";
    }
    EXPECT_EQ(ForcedCloses(), 0);
}

TEST(AboutBox, EachLinkOpensTheUserGuideBesideTheModuleAndClosesTheBox) {
    const QString folder = QFileInfo(QString::fromLocal8Bit(VELMORA_MODULE_PATH)).absolutePath();
    struct Case {
        const char* label;
        QUrl address;
    };
    const Case cases[] = {{"URL", GuidePage(folder)},
                          {"CreditLabel", GuidePage(folder, QStringLiteral("project"))}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(OpenedByClicking(c.label), Addresses({c.address}));
    }
    EXPECT_TRUE(QFileInfo::exists(GuidePage(folder).toLocalFile()))
        << "the build does not put the guide beside the module";
    EXPECT_EQ(ForcedCloses(), 0);
}

// A module reached through a link (as a plug-in folder may hold it) finds the
// guide beside the file the link points to when there is none beside the link.
TEST(AboutBox, AModuleLoadedThroughALinkFindsTheGuideBesideItsTarget) {
    if (void* loaded = dlopen(VELMORA_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD)) {
        dlclose(loaded);
        GTEST_SKIP() << "the module is already loaded in this process";
    }
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("velmora-link-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::create_symlink(VELMORA_MODULE_PATH, folder / "velmora.8bf");
    ModulePath = (folder / "velmora.8bf").string();
    const QString target = QFileInfo(QString::fromLocal8Bit(VELMORA_MODULE_PATH)).canonicalPath();
    EXPECT_EQ(OpenedByClicking("URL"), Addresses({GuidePage(target)}));
    fs::remove_all(folder);
}

TEST(AboutBox, InAHostThatRunsQtItUsesTheHostsApplicationAndWindow) {
    std::unique_ptr<QApplication> own;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "host";
        static char* argv[] = {name, nullptr};
        own = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication* const application = QCoreApplication::instance();
    QWidget hostWindow;
    hostWindow.resize(400, 300);
    hostWindow.show();
    sdk::PlatformData platform{};
    platform.hwnd = intptr_t(hostWindow.winId());
    const int16_t result = About(
        [&](QWidget& form) {
            ASSERT_NE(form.windowHandle(), nullptr);
            EXPECT_EQ(form.windowHandle()->transientParent(), hostWindow.windowHandle());
            Click(&form, QPoint(290, 5));
        },
        &platform);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(QCoreApplication::instance(), application);
    EXPECT_TRUE(hostWindow.isVisible());
    EXPECT_EQ(ForcedCloses(), 0);
}

TEST(AboutBox, InEnglishWithVelmoraLanguageTheTranslatorLeavesWithTheBox) {
    setenv("VELMORA_LANGUAGE", "en", 1);
    const int16_t result = About([](QWidget& form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Zeq Velmora Pro"));
        EXPECT_EQ(Child(form, "NameLabel")->text(), QStringLiteral("Zeq Velmora 3.15b Pro"));
        EXPECT_EQ(Child(form, "CreditLabel")->text(),
                  QStringLiteral("Made by the Velmora project"));
        if (const char* shot = std::getenv("VELMORA_ABOUT_SCREENSHOT_EN")) form.grab().save(shot);
        QTest::keyClick(&form, Qt::Key_A);
    });
    unsetenv("VELMORA_LANGUAGE");
    EXPECT_EQ(result, 0);
    // The application (here the host's) keeps no translator of the module.
    EXPECT_EQ(QCoreApplication::translate("TAboutForm", "Разработка: проект Velmora"),
              QStringLiteral("Разработка: проект Velmora"));
    EXPECT_EQ(ForcedCloses(), 0);
}

}  // namespace
}  // namespace velmora::test

#include "ModuleAboutTest.moc"
