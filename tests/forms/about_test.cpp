#include "forms/about.h"

#include "widgets/color_button.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include <functional>
#include <gtest/gtest.h>

namespace sonterra {

namespace {

// Catches what the window asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs action inside the next modal loop, once the about window is up.
void WhenAboutShows(std::function<void(Tform_about*)> action, int triesLeft = 200) {
    QMetaObject::invokeMethod(
        qApp,
        [action, triesLeft] {
            auto* about = qobject_cast<Tform_about*>(QApplication::activeModalWidget());
            if (about && about->isVisible())
                action(about);
            else if (triesLeft > 0)
                WhenAboutShows(action, triesLeft - 1);
        },
        Qt::QueuedConnection);
}

void ExpectTexts(const Tform_about& about) {
    EXPECT_EQ(about.ProductName->text(), QStringLiteral("Quorvel Sonterra"));
    EXPECT_EQ(about.Version->text(), QStringLiteral("2.0"));
    EXPECT_EQ(about.Label1->text(), QStringLiteral("www.tivra.example"));
    EXPECT_TRUE(about.Label1->text().endsWith(QStringLiteral(".example")));
    EXPECT_EQ(about.Copyright->text(), QStringLiteral("© 2026 Tivra Sistemas"));
    EXPECT_FALSE(about.Label2->text().isEmpty());
    EXPECT_FALSE(about.Comments->text().isEmpty());
    EXPECT_EQ(about.SRColorButton1->caption(), QStringLiteral("OK"));
}

} // namespace

TEST(About, WindowShapeAndPlaces) {
    QPointer<Tform_about> about = new Tform_about;
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about->size(), QSize(551, 212));
    EXPECT_TRUE(about->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(about->isModal());
    EXPECT_TRUE(about->testAttribute(Qt::WA_DeleteOnClose));

    EXPECT_EQ(about->Panel1->geometry(), QRect(1, 1, 548, 208));
    EXPECT_EQ(about->Panel2->geometry(), QRect(5, 8, 281, 162));
    EXPECT_EQ(about->Panel3->geometry(), QRect(286, 8, 256, 162));
    EXPECT_EQ(about->Panel2->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(about->Panel3->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(about->ProgramIcon->geometry(), QRect(30, 20, 33, 33));
    EXPECT_EQ(about->ProgramIcon->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(about->ProductName->pos(), QPoint(88, 16));
    EXPECT_EQ(about->Version->pos(), QPoint(88, 40));
    EXPECT_EQ(about->Label1->pos(), QPoint(39, 64));
    EXPECT_EQ(about->Copyright->pos(), QPoint(16, 88));
    EXPECT_EQ(about->Label2->pos(), QPoint(56, 108));
    EXPECT_EQ(about->Comments->pos(), QPoint(72, 130));
    EXPECT_TRUE(about->Comments->wordWrap());
    EXPECT_EQ(about->Image1->geometry(), QRect(2, 4, 251, 155));
    EXPECT_EQ(about->Image1->pixmap().size(), QSize(800, 600));
    EXPECT_TRUE(about->Image1->hasScaledContents());
    EXPECT_EQ(about->SRColorButton1->geometry(), QRect(6, 171, 537, 35));
    EXPECT_EQ(about->SRColorButton1->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(about->Label1->cursor().shape(), Qt::PointingHandCursor);
    delete about.data();
}

TEST(About, FontsAndColours) {
    QPointer<Tform_about> about = new Tform_about;
    about->ensurePolished();
    for (QWidget* w : about->findChildren<QWidget*>())
        w->ensurePolished();

    const QFont link = about->Label1->font();
    EXPECT_EQ(link.family(), QStringLiteral("Arial"));
    EXPECT_EQ(link.pixelSize(), 16);
    EXPECT_TRUE(link.bold());
    EXPECT_TRUE(link.underline());
    EXPECT_EQ(about->Label1->palette().color(QPalette::WindowText), QColor(Qt::red));

    EXPECT_EQ(about->ProductName->font().family(), QStringLiteral("Quantas"));
    EXPECT_EQ(about->ProductName->font().pixelSize(), 16);
    EXPECT_EQ(about->Version->font().family(), QStringLiteral("Quantas"));
    EXPECT_EQ(about->ProductName->palette().color(QPalette::WindowText), QColor(Qt::yellow));

    EXPECT_EQ(about->Copyright->font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(about->Copyright->font().pixelSize(), 16);
    EXPECT_TRUE(about->Label2->font().italic());
    EXPECT_EQ(about->Label2->font().pixelSize(), 12);
    EXPECT_EQ(about->Label2->palette().color(QPalette::WindowText), QColor(Qt::white));

    const QFont ok = about->SRColorButton1->font();
    EXPECT_TRUE(ok.bold());
    EXPECT_EQ(ok.pixelSize(), 16);
    EXPECT_EQ(about->SRColorButton1->palette().color(QPalette::WindowText), QColor(Qt::blue));

    const QImage image = about->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(4, 100)), QColor(0, 95, 140)); // Panel1
    EXPECT_EQ(QColor(image.pixel(10, 160)), QColor(Qt::black)); // inside Panel2
    delete about.data();
}

TEST(About, EveryOpeningIsAFreshWindowWithTheSameTexts) {
    QWidget owner;
    for (int opening = 0; opening < 2; ++opening) {
        QPointer<Tform_about> seen;
        bool checked = false;
        WhenAboutShows([&](Tform_about* about) {
            seen = about;
            EXPECT_EQ(about->parentWidget(), &owner);
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            EXPECT_LE((about->frameGeometry().center() - screen.center()).manhattanLength(), 2);
            ExpectTexts(*about);
            // Someone changed it: the next opening must not show this.
            about->Version->setText(QStringLiteral("mexido"));
            checked = true;
            QTest::mouseClick(about->SRColorButton1, Qt::LeftButton);
        });
        Tform_about::ShowModalAbout(&owner);
        EXPECT_TRUE(checked) << "opening " << opening;
        FlushDeletes();
        EXPECT_TRUE(seen.isNull()) << "opening " << opening;
    }
    EXPECT_TRUE(owner.findChildren<Tform_about*>().isEmpty());
}

TEST(About, EnterAndEscDoNothingOkCloses) {
    bool stillOpen = false;
    QPointer<Tform_about> seen;
    WhenAboutShows([&](Tform_about* about) {
        seen = about;
        QTest::keyClick(about, Qt::Key_Escape);
        QTest::keyClick(about, Qt::Key_Return);
        QTest::keyClick(about, Qt::Key_Enter);
        QTest::keyClick(about, Qt::Key_Space);
        stillOpen = about->isVisible();
        QTest::mouseClick(about->SRColorButton1, Qt::LeftButton);
    });
    Tform_about::ShowModalAbout(nullptr);
    EXPECT_TRUE(stillOpen);
    FlushDeletes();
    EXPECT_TRUE(seen.isNull());
}

TEST(About, OkOnAModelessWindowClosesAndFreesIt) {
    QPointer<Tform_about> about = new Tform_about;
    about->show();
    QTest::mouseClick(about->SRColorButton1, Qt::LeftButton);
    ASSERT_FALSE(about.isNull());
    EXPECT_FALSE(about->isVisible());
    FlushDeletes();
    EXPECT_TRUE(about.isNull());
}

TEST(About, WebAddressClickOpensItWithHttp) {
    UrlCatcher catcher;
    QPointer<Tform_about> about = new Tform_about;
    about->show();
    QTest::mouseClick(about->Label1, Qt::LeftButton);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("http://www.tivra.example")));
    QTest::mouseClick(about->Label1, Qt::RightButton);
    EXPECT_EQ(catcher.opened.size(), 1);
    EXPECT_TRUE(about->isVisible());
    delete about.data();
}

TEST(About, NoBrowserIsNotReported) {
    QPointer<Tform_about> about = new Tform_about;
    about->show();
    about->Label1Click(); // offscreen: the platform has no browser to open
    EXPECT_TRUE(about->isVisible());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible() && w != about) << w->metaObject()->className();
    delete about.data();
}

} // namespace sonterra

#include "about_test.moc"
