#include "forms/about.h"

#include "widgets/color_button.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSet>
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

// What the operator sees: a frameless modal box whose every text stands
// inside it, the picture drawn, the name in yellow, "OK" along the foot.
TEST(About, EveryTextIsInsideTheWindowBesideThePicture) {
    QPointer<Tform_about> about = new Tform_about;
    EXPECT_TRUE(about->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(about->isModal());
    ExpectTexts(*about);
    about->show();
    const QRect window = about->rect();
    for (QLabel* label : about->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        const QRect placed(label->mapTo(about, QPoint(0, 0)), label->size());
        EXPECT_TRUE(window.contains(placed)) << label->objectName().toStdString();
    }
    const QImage image = about->grab().toImage();
    const QRect picture(about->Image1->mapTo(about, QPoint(0, 0)), about->Image1->size());
    QSet<QRgb> colours;
    for (int y = picture.top(); y <= picture.bottom(); y += 4)
        for (int x = picture.left(); x <= picture.right(); x += 4)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 50) << "the picture is drawn";
    const QRect name(about->ProductName->mapTo(about, QPoint(0, 0)), about->ProductName->size());
    bool yellow = false;
    for (int y = name.top(); y <= name.bottom() && !yellow; ++y)
        for (int x = name.left(); x <= name.right() && !yellow; ++x)
            yellow = QColor(image.pixel(x, y)) == QColor(Qt::yellow);
    EXPECT_TRUE(yellow) << "the product name in yellow";
    const QRect ok(about->SRColorButton1->mapTo(about, QPoint(0, 0)),
                   about->SRColorButton1->size());
    EXPECT_GT(ok.width(), window.width() * 9 / 10);
    EXPECT_GT(ok.top(), picture.bottom());
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
