// The main window's life: creation, showing, activation and the icon in the
// notification area, test plays, and the closing question.

#include "audio/udarvobass.h"
#include "core/application.h"
#include "core/format_settings.h"
#include "forms/about.h"
#include "forms/usom_listbox.h"
#include "forms/usom_semana.h"
#include "tests/forms/usom_form_fixture.h"
#include "widgets/filename_edit.h"
#include "widgets/fit_text.h"
#include "widgets/focus_ring.h"
#include "widgets/qt_message_box.h"
#include "widgets/rx_clock.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <unistd.h>

namespace sonterra::test {
namespace {

bool IsDir(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).isDir();
}

TEST_F(FormTest, CreationFixesFormatsTitleFoldersAndControls) {
    CurrentFormatSettings().ShortDateFormat = "m/d/yy";
    CurrentFormatSettings().DateSeparator = "-";
    Make();

    const FormatSettings& fs = CurrentFormatSettings();
    EXPECT_EQ(fs.DateSeparator, "/");
    EXPECT_EQ(fs.ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(fs.ShortTimeFormat, "HH:mm:ss");
    EXPECT_EQ(fs.TimeSeparator, ":");
    EXPECT_EQ(ApplicationTitle(), prog.path("sonterra"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvel Sonterra V2"));
    EXPECT_EQ(form->size(), QSize(609, 530));
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    // No notification area here: the window can be minimised, since that is its hiding.
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);

    EXPECT_TRUE(IsDir(prog.path("AUDIO")));
    EXPECT_TRUE(IsDir(prog.path("HORA")));
    EXPECT_EQ(prog.bytes("SOM.INI"), QByteArray("<missing>"));
    EXPECT_EQ(form->MaskEdit1Text(), QStringLiteral("07:30"));
    EXPECT_EQ(form->arquivo_hoje(), "07.PR2");
    EXPECT_FALSE(timer->Enabled());
    EXPECT_FALSE(form->ocultar());

    auto* edit = W<TFilenameEdit>("FilenameEdit1");
    EXPECT_EQ(edit->initialDir(), QString::fromStdString(prog.path("AUDIO/")));
    EXPECT_EQ(edit->filter(), QStringLiteral("Arquivos de áudio|*.mp3;*.wav"));
    EXPECT_EQ(W<QPushButton>("Button1")->text(), QStringLiteral("Ativar"));
    EXPECT_TRUE(W<QLabel>("Label2")->isHidden());
    EXPECT_FALSE(W<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_EQ(form->RxTrayIcon1->toolTip(), QStringLiteral("Quorvel Sonterra"));
    ASSERT_EQ(form->PopupMenu1->actions().size(), 3);
    EXPECT_EQ(form->PopupMenu1->actions()[0]->text(), QStringLiteral("Play"));
    EXPECT_TRUE(form->PopupMenu1->actions()[1]->isSeparator());
    EXPECT_EQ(form->PopupMenu1->actions()[2]->text(), QStringLiteral("Excluir"));
    EXPECT_NE(form->player_toque, nullptr);
    EXPECT_NE(form->player_hora, nullptr);
    EXPECT_EQ(form->player_toque->BufferLength, 3000);
    EXPECT_TRUE(boxes.boxes.empty());
}

// "+ Hora Certa" on the dark teal panel: a white caption, and a check mark
// that shows on the box's light square (it was drawn white on white).
// The layout's narrow font replaced by the desktop's ordinary one, as on a
// Debian desktop without condensed faces; forms.usom.TextsFitAtFonts125 runs
// this again with fonts at 125 % (QT_FONT_DPI=120). The window's picture is
// left in the temporary folder for a look.
TEST_F(FormTest, EveryTextFitsItsBoxWithoutTheNarrowFont) {
    const QString layoutFont = QStringLiteral("MS Sans Serif");
    const QStringList substitutes = QFont::substitutes(layoutFont);
    QFont::removeSubstitutions(layoutFont);
    Make();
    QFont::insertSubstitutions(layoutFont, substitutes);
    const QStringList cut = TextsThatDoNotFit(form.get());
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QStringLiteral("\n")).toStdString();
    const QString shot =
        QDir::temp().filePath(QStringLiteral("sonterra-janela-%1dpi.png")
                                  .arg(qRound(form->logicalDpiX() * form->devicePixelRatioF())));
    EXPECT_TRUE(form->grab().save(shot));
}

TEST_F(FormTest, HoraCertaCaptionIsWhiteAndItsMarkDark) {
    Make();
    form->show();
    auto* check = W<QCheckBox>("CheckBox1");
    const auto lightness = [](QRgb p) { return QColor(p).lightness(); };
    const auto count = [](const QImage& image, const QRect& r, auto&& test) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += test(image.pixel(x, y)) ? 1 : 0;
        return n;
    };

    QStyleOptionButton option;
    option.initFrom(check);
    const QRect box = check->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, check);
    const QRect caption =
        check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
    const auto dark = [&](QRgb p) { return lightness(p) < 90; };
    const auto white = [&](QRgb p) { return lightness(p) > 235; };

    check->setChecked(false);
    const QImage off = check->grab().toImage();
    check->setChecked(true);
    const QImage on = check->grab().toImage();

    EXPECT_GE(count(on, caption, white), 20) << "caption not white";
    EXPECT_EQ(check->palette().color(check->foregroundRole()), QColor(Qt::white));
    // The mark: dark pixels inside the box that the unchecked box lacks.
    EXPECT_GE(count(on, box, dark) - count(off, box, dark), 6) << "mark not dark";
}

// Every control is reached with Tab in reading order, the folder button right
// after its field; whichever has the focus wears a ring a person can see on
// the dark panel and on the light lists; and assistive technology reads a
// Portuguese name for each control that has no caption.
TEST_F(FormTest, TabReachesEveryControlInOrderWithAVisibleRingAndAName) {
    Make();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* chooser = W<TFilenameEdit>("FilenameEdit1");
    auto* pages = W<QTabWidget>("PageControl1");
    QList<QWidget*> firstPage;
    firstPage << pages->tabBar() << chooser->lineEdit() << chooser->button()
              << W<QWidget>("BitBtn2") << W<QWidget>("MaskEdit1") << W<QWidget>("BitBtn1")
              << W<QWidget>("CheckBox1") << W<QWidget>("semana") << W<QWidget>("ListBox3")
              << W<QWidget>("Button1") << W<QWidget>("Button2") << W<QWidget>("Image1")
              << W<QWidget>("BitBtn3");
    const auto tabThrough = [&](int presses) {
        QList<QWidget*> seen{QApplication::focusWidget()};
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << QApplication::focusWidget();
        }
        return seen;
    };
    const auto name = [](const QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(w));
        return a ? a->text(QAccessible::Name) : QString();
    };
    const auto ringAroundFocus = [&](QWidget* focused) {
        const auto* ring = form->findChild<TFocusRing*>();
        ASSERT_NE(ring, nullptr);
        ASSERT_TRUE(ring->isVisible()) << name(focused).toStdString();
        QRect around = focused->rect();
        if (auto* tabs = qobject_cast<QTabBar*>(focused))
            around = tabs->tabRect(tabs->currentIndex());
        around.moveTopLeft(focused->mapTo(form.get(), around.topLeft()));
        EXPECT_EQ(ring->geometry(), around.adjusted(-3, -3, 3, 3)) << name(focused).toStdString();
        // Painted: a dark edge with a bright band inside it, whatever is behind.
        const QImage shot = form->grab().toImage();
        const QPoint mid(ring->geometry().center().x(), ring->geometry().top());
        EXPECT_LT(QColor(shot.pixel(mid)).lightness(), 40) << name(focused).toStdString();
        EXPECT_GT(QColor(shot.pixel(mid + QPoint(0, 1))).lightness(), 100)
            << name(focused).toStdString();
        EXPECT_GT(QColor(shot.pixel(mid + QPoint(0, 1))).saturation(), 200)
            << name(focused).toStdString();
    };

    pages->tabBar()->setFocus(Qt::TabFocusReason);
    const QList<QWidget*> seen = tabThrough(static_cast<int>(firstPage.size()));
    EXPECT_EQ(seen, firstPage + QList<QWidget*>{pages->tabBar()});
    for (QWidget* w : firstPage) {
        w->setFocus(Qt::TabFocusReason);
        ringAroundFocus(w);
    }

    // Today's page: the list is reached too, though it is only read.
    pages->setCurrentIndex(1);
    pages->tabBar()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pages->tabBar(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), W<QWidget>("BitBtn3")); // backwards, round the end
    pages->tabBar()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(tabThrough(2), (QList<QWidget*>{static_cast<QWidget*>(pages->tabBar()),
                                              W<QWidget>("ListBox2"), W<QWidget>("Button1")}));
    ringAroundFocus(W<QWidget>("Button1"));

    EXPECT_EQ(name(chooser->lineEdit()), QStringLiteral("Arquivo de áudio"));
    EXPECT_EQ(name(chooser->button()), QStringLiteral("Procurar arquivo de áudio"));
    EXPECT_EQ(name(W<QWidget>("MaskEdit1")), QStringLiteral("Horário"));
    auto* days = W<QTabBar>("semana");
    EXPECT_EQ(name(days), days->tabText(days->currentIndex())); // its current day
    EXPECT_EQ(name(W<QWidget>("ListBox3")), QStringLiteral("Programação do dia"));
    EXPECT_EQ(name(W<QWidget>("ListBox2")), QStringLiteral("Programação para hoje"));
    EXPECT_EQ(name(W<QWidget>("Image1")), QStringLiteral("Sobre o Sonterra"));
    EXPECT_EQ(name(W<QWidget>("BitBtn2")), QStringLiteral("Play Áudio Selecionado"));
    EXPECT_EQ(name(W<QWidget>("Button1")), QStringLiteral("Ativar"));

    // The logo answers Enter as it answers a click.
    bool aboutOpened = false;
    QTimer::singleShot(0, form.get(), [&] {
        if (QWidget* about = QApplication::activeModalWidget()) {
            aboutOpened = qobject_cast<Tform_about*>(about) != nullptr;
            about->close();
        }
    });
    QTest::keyClick(W<QWidget>("Image1"), Qt::Key_Return);
    EXPECT_TRUE(aboutOpened);
}

// Qt's own texts the operator meets are Portuguese too: the file chooser and
// the Cancel of the closing question. The program's own texts stay as they are.
TEST_F(FormTest, QtsOwnTextsArePortuguese) {
    Make();
    QFileDialog chooser(form.get());
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList texts;
    for (const QLabel* label : chooser.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : chooser.findChildren<QAbstractButton*>())
        texts << button->text();
    texts.removeAll(QString());
    for (const char* english :
         {"Look in:", "File &name:", "Files of type:", "&Open", "Open", "Cancel"})
        EXPECT_FALSE(texts.contains(QString::fromLatin1(english)))
            << english << " in " << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("&Abrir")) || texts.contains(QStringLiteral("Abrir")))
        << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Cancelar"))) << texts.join(u'|').toStdString();

    MessageBoxRequest question;
    question.caption = "Tivra Sistemas";
    question.text = "Deseja Sair do Sonterra ??";
    question.buttons = BoxButtons::OkCancel;
    const auto box = BuildMessageBox(question);
    EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Cancelar"));
    EXPECT_EQ(box->button(QMessageBox::Ok)->text(), QStringLiteral("OK"));
    EXPECT_EQ(box->text(), QStringLiteral("Deseja Sair do Sonterra ??"));
    EXPECT_EQ(W<QCheckBox>("CheckBox1")->text(), QStringLiteral("+ Hora Certa"));
    EXPECT_EQ(W<QPushButton>("Button2")->text(), QStringLiteral("Desligar"));
}

TEST_F(FormTest, CreationClearsTemporaryFilesOfEndedWritersOnly) {
    // 999999999 is beyond any process number; the parent runs the tests.
    const std::string ended = ".03.PR2.tmp999999999-0";
    const std::string running = ".SOM.INI.tmp" + std::to_string(::getppid()) + "-2";
    prog.write("03.PR2", "07:00 - a.mp3\r\n");
    prog.write(ended, "07:00 - a");
    prog.write(running, "1");
    Make();
    EXPECT_EQ(prog.bytes(ended), QByteArray("<missing>"));
    EXPECT_EQ(prog.bytes(running), QByteArray("1"));
    EXPECT_EQ(prog.bytes("03.PR2"), QByteArray("07:00 - a.mp3\r\n"));
}

TEST_F(FormTest, ActiveStateIsRestoredButButton1StaysAtivar) {
    prog.write("SOM.INI", "1\r\n");
    prog.write("07.PR2", "08:00 - /b.mp3\r\n07:30 + /a.mp3\r\n");
    Make();
    EXPECT_TRUE(timer->Enabled());
    EXPECT_TRUE(form->ocultar());
    EXPECT_EQ(W<QPushButton>("Button1")->text(), QStringLiteral("Ativar"));
    EXPECT_EQ(form->lista_hoje(), (Lines{"08:00 - /b.mp3", "07:30 + /a.mp3"}));
    EXPECT_EQ(W<TSortedListBox>("ListBox2")->Lines(),
              (QStringList{QStringLiteral("07:30 + /a.mp3"), QStringLiteral("08:00 - /b.mp3")}));
}

TEST_F(FormTest, UnreadableStateFileSkipsTheRestOfCreation) {
    QDir(QString::fromStdString(prog.folder())).mkdir(QStringLiteral("SOM.INI"));
    Make();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].icon, BoxIcon::Error);
    EXPECT_NE(boxes.boxes[0].text.find("SOM.INI"), std::string::npos);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_FALSE(IsDir(prog.path("AUDIO")));
    EXPECT_EQ(form->MaskEdit1Text(), QStringLiteral("  :  "));

    // Showing still selects today's tab and sets the captions.
    form->show();
    EXPECT_EQ(W<TSemanaTabBar>("semana")->currentIndex(), 6);
    EXPECT_EQ(W<QLabel>("VrLabel3")->text(), QStringLiteral("Quorvel SONTERRA"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvel Sonterra V2"));
}

TEST_F(FormTest, EveryShowingSelectsTodayAndListsIt) {
    prog.write("07.PR2", "11:00 - /sabado.mp3\r\n");
    prog.write("01.PR2", "09:00 - /domingo.mp3\r\n");
    trayAvailable = true;
    Make();
    form->show();
    auto* semana = W<TSemanaTabBar>("semana");
    auto* list3 = W<TSortedListBox>("ListBox3");
    EXPECT_EQ(semana->currentIndex(), 6);
    EXPECT_EQ(list3->Lines(), QStringList{QStringLiteral("11:00 - /sabado.mp3")});

    form->Button1Click(); // hides
    EXPECT_TRUE(form->isHidden());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMinimizeButtonHint); // close box only
    clock.now.day = 6;                                                // Sunday
    Q_EMIT form->RxTrayIcon1->activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(form->isHidden());
    EXPECT_EQ(semana->currentIndex(), 0);
    EXPECT_EQ(list3->Lines(), QStringList{QStringLiteral("09:00 - /domingo.mp3")});

    // Already visible: only brought to the front, the operator's tab stays.
    semana->setCurrentIndex(3);
    Q_EMIT form->RxTrayIcon1->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(semana->currentIndex(), 3);
}

TEST_F(FormTest, TrayClickShowsTheHiddenWindowWithOk) {
    prog.write("SOM.INI", "1\r\n");
    trayAvailable = true;
    Make();
    form->show();
    auto* button1 = W<QPushButton>("Button1");
    auto* label2 = W<QLabel>("Label2");

    timer->Fire(); // the first tick hides the window again
    EXPECT_TRUE(form->isHidden());
    EXPECT_FALSE(label2->isHidden());
    EXPECT_EQ(button1->text(), QStringLiteral("Ativar"));

    Q_EMIT form->RxTrayIcon1->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(button1->text(), QStringLiteral("OK"));
    EXPECT_FALSE(form->ocultar());

    timer->Fire();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(label2->isHidden()); // blinking

    // Deactivated: the icon shows "Ativar".
    QTest::mouseClick(W<QPushButton>("Button2"), Qt::LeftButton);
    EXPECT_EQ(prog.bytes("SOM.INI"), QByteArray("0\r\n"));
    Q_EMIT form->RxTrayIcon1->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(button1->text(), QStringLiteral("Ativar"));
}

TEST_F(FormTest, WithoutNotificationAreaHidingMinimisesAndRestoringActsAsTheIcon) {
    trayAvailable = false;
    Make();
    form->show();
    auto* button1 = W<QPushButton>("Button1");

    QTest::mouseClick(button1, Qt::LeftButton);
    EXPECT_EQ(prog.bytes("SOM.INI"), QByteArray("1\r\n"));
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(form->isHidden());
    EXPECT_TRUE(form->ocultar());

    button1->setText(QStringLiteral("Ativar"));
    form->showNormal(); // the operator restores it from the task bar
    EXPECT_FALSE(form->isMinimized());
    EXPECT_FALSE(form->ocultar());
    EXPECT_EQ(button1->text(), QStringLiteral("OK"));

    timer->Fire();
    EXPECT_FALSE(form->isMinimized());

    // And the icon's own click (where Qt still reports one) restores it too.
    form->Scheduler().SetKeepHidden(true);
    timer->Fire();
    EXPECT_TRUE(form->isMinimized());
    Q_EMIT form->RxTrayIcon1->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(form->isMinimized());
    EXPECT_FALSE(form->ocultar());
}

// Counts the paint events of one window's widgets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_)
            ++paints;
        return false;
    }
    int paints = 0;

private:
    QWidget* window_;
};

TEST_F(FormTest, MinimisedForWantOfANotificationAreaItPaintsNothingAndItsClockSleeps) {
    trayAvailable = false;
    Make();
    form->show();
    auto* clockTimer = W<TRxClock>("RxClock1")->timer();
    ASSERT_TRUE(clockTimer->isActive());
    QTest::mouseClick(W<QPushButton>("Button1"), Qt::LeftButton);
    ASSERT_TRUE(form->isMinimized());
    QCoreApplication::processEvents();
    EXPECT_FALSE(clockTimer->isActive());

    auto* label2 = W<QLabel>("Label2");
    PaintCounter counter(form.get());
    std::vector<bool> blink;
    for (int i = 0; i < 6; ++i) {
        clock.now.second = i; // the clock's text changes too
        timer->Fire();
        QCoreApplication::processEvents();
        blink.push_back(label2->isHidden());
    }
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(blink, (std::vector<bool>{false, true, false, true, false, true}))
        << "the blink goes on unseen";

    form->showNormal(); // the operator restores it
    QCoreApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_TRUE(clockTimer->isActive());
}

TEST_F(FormTest, TheNotificationAreaIsAskedOnlyWhenSomethingChanges) {
    trayAvailable = true;
    Make();
    form->show();
    form->Button1Click(); // hides
    ASSERT_TRUE(form->isHidden());
    EXPECT_FALSE(W<TRxClock>("RxClock1")->timer()->isActive());
    trayQuestions = 0;
    for (int i = 0; i < 20; ++i) // ten seconds of ticks
        timer->Fire();
    EXPECT_EQ(trayQuestions, 0);
    EXPECT_TRUE(form->isHidden());

    // The notification area goes away under the hidden window: within 30 s of
    // ticks it comes back, minimised, so the operator can reach it.
    trayAvailable = false;
    for (int i = 0; i < 60 && form->isHidden(); ++i)
        timer->Fire();
    EXPECT_FALSE(form->isHidden());
    EXPECT_TRUE(form->isMinimized());
}

TEST_F(FormTest, CancelOnTheClosingQuestionKeepsEverything) {
    prog.write("SOM.INI", "1\r\n");
    Make();
    form->show();
    boxes.answers = {BoxResult::Cancel};
    QTest::mouseClick(W<QPushButton>("BitBtn3"), Qt::LeftButton);

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tivra Sistemas");
    EXPECT_EQ(boxes.boxes[0].text, "Deseja Sair do Sonterra ??");
    EXPECT_EQ(boxes.boxes[0].buttons, BoxButtons::OkCancel);
    EXPECT_TRUE(boxes.boxes[0].beep);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(timer->Enabled());
    EXPECT_NE(form->player_toque, nullptr);
    EXPECT_NE(form->player_hora, nullptr);
    EXPECT_EQ(prog.bytes("SOM.INI"), QByteArray("1\r\n"));

    // The close box asks the same; OK ends it all.
    EXPECT_TRUE(form->close());
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(form->player_toque, nullptr);
    EXPECT_EQ(form->player_hora, nullptr);
    EXPECT_EQ(prog.bytes("SOM.INI"), QByteArray("1\r\n")); // nothing saved at exit
}

int AboutWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += qobject_cast<Tform_about*>(w) != nullptr;
    return n;
}

TEST_F(FormTest, LogoClickRunsAFreshModalAboutWindowEachTime) {
    Make();
    form->show();
    auto* logo = W<QLabel>("Image1");
    for (int round = 0; round < 2; ++round) {
        QString seen;
        QWidget* owner = nullptr;
        // Runs inside the modal loop; closing is the window's only way out.
        QTimer::singleShot(0, form.get(), [&] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            seen = QString::fromLatin1(modal->metaObject()->className());
            owner = modal->parentWidget();
            modal->close();
        });
        QTest::mouseClick(logo, Qt::LeftButton);
        EXPECT_EQ(seen, QStringLiteral("sonterra::Tform_about"));
        EXPECT_EQ(owner, form.get());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(AboutWindows(), 0);
    }
}

class PlayTest : public FormTest {
protected:
    void SetUp() override {
        Make();
        form->show();
        bell = prog.path("AUDIO/sino.wav");
        WriteToneWav(bell, 3000);
        WriteToneWav(prog.path("HORA/07H30M.WAV"), 1000);
    }
    std::string bell;
};

TEST_F(PlayTest, TestPlayTogglesAndTheStopRunsPStop) {
    W<TFilenameEdit>("FilenameEdit1")->setText(QString::fromStdString(bell));
    auto* play = W<QPushButton>("BitBtn2");

    QTest::mouseClick(play, Qt::LeftButton);
    ASSERT_TRUE(form->player_toque->IsPlaying());
    EXPECT_FALSE(form->player_hora->IsPlaying());

    form->player_toque->SpeakTimeAfter = 1; // as a "+" entry would have left it
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_FALSE(form->player_toque->IsPlaying());
    EXPECT_EQ(form->player_toque->SpeakTimeAfter, 0);
    EXPECT_TRUE(form->player_hora->IsPlaying()); // 07H30M.WAV, spoken by pStop
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;

    form->player_hora->Stop();
}

TEST_F(PlayTest, MenuPlayTogglesTheSelectedEntry) {
    prog.write("07.PR2", QByteArray("07:30 + ") + QByteArray::fromStdString(bell) + "\r\n");
    form->semanaClick();
    auto* list3 = W<TSortedListBox>("ListBox3");
    list3->setCurrentRow(0);

    form->Play1->trigger();
    EXPECT_TRUE(form->player_toque->IsPlaying());
    form->Play1->trigger();
    EXPECT_FALSE(form->player_toque->IsPlaying());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PlayTest, MissingFilePlaysNothingSilently) {
    W<TFilenameEdit>("FilenameEdit1")->setText(QString::fromStdString(prog.path("AUDIO/nada.wav")));
    QTest::mouseClick(W<QPushButton>("BitBtn2"), Qt::LeftButton);
    EXPECT_FALSE(form->player_toque->IsPlaying());
    EXPECT_TRUE(boxes.boxes.empty());
}

} // namespace
} // namespace sonterra::test
