#include "widgets/qt_message_box.h"

#include "core/application.h"
#include "tests/support/box_recorder.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace sonterra {

namespace {

MessageBoxRequest Question() {
    MessageBoxRequest r;
    r.caption = "Tivra Sistemas";
    r.text = "Deseja Sair do Sonterra ??\rLinha dois";
    r.buttons = BoxButtons::OkCancel;
    r.beep = true;
    return r;
}

// Runs action inside the next modal loop, once its box is on screen.
void WhenModalBoxShows(std::function<void(QMessageBox*)> action, int triesLeft = 200) {
    QMetaObject::invokeMethod(
        qApp,
        [action, triesLeft] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                action(box);
            else if (triesLeft > 0)
                WhenModalBoxShows(action, triesLeft - 1);
        },
        Qt::QueuedConnection);
}

// Keeps the handler installed by a test from leaking into the next.
struct HandlerGuard {
    test::ScopedMessageBoxHandler handler{nullptr};
    test::ScopedBoxPoster poster{nullptr};
};

} // namespace

TEST(BuildMessageBox, QuestionWithOkAndCancel) {
    auto box = BuildMessageBox(Question());
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Tivra Sistemas"));
    EXPECT_EQ(box->text(), QStringLiteral("Deseja Sair do Sonterra ??\nLinha dois"));
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(BuildMessageBox, NoticeWithErrorIcon) {
    MessageBoxRequest r;
    r.caption = "/opt/sonterra/sonterra";
    r.text = "Horário já Ocupado - Verifique";
    r.icon = BoxIcon::Error;
    auto box = BuildMessageBox(r);
    EXPECT_EQ(box->text(), QStringLiteral("Horário já Ocupado - Verifique"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Ok));
}

// The caption is shown whole in the title bar, beside the window's own
// buttons: the box is at least that wide, whatever its text.
TEST(BuildMessageBox, WideEnoughForItsCaption) {
    for (const char* caption :
         {"Tivra Sistemas", "/home/escola/Área de Trabalho/Sonterra/sonterra"}) {
        MessageBoxRequest r;
        r.caption = caption;
        r.text = "Ok?";
        r.buttons = BoxButtons::OkCancel;
        auto box = BuildMessageBox(r);
        box->show();
        QFont titleFont = box->font();
        titleFont.setBold(true);
        const int captionWidth =
            QFontMetrics(titleFont).horizontalAdvance(QString::fromUtf8(caption));
        EXPECT_GE(box->width(), captionWidth + 100) << caption; // + icon and title-bar buttons
        box->hide();
    }
}

TEST(MessageBoxResult, ButtonsEscapeAndCloseBox) {
    {
        auto box = BuildMessageBox(Question());
        box->button(QMessageBox::Ok)->click();
        EXPECT_EQ(MessageBoxResult(*box), BoxResult::Ok);
    }
    {
        auto box = BuildMessageBox(Question());
        box->button(QMessageBox::Cancel)->click();
        EXPECT_EQ(MessageBoxResult(*box), BoxResult::Cancel);
    }
    {
        auto box = BuildMessageBox(Question());
        box->show();
        QTest::keyClick(box.get(), Qt::Key_Escape);
        EXPECT_EQ(MessageBoxResult(*box), BoxResult::Cancel);
    }
    {
        auto box = BuildMessageBox(Question());
        box->show();
        box->close();
        EXPECT_EQ(MessageBoxResult(*box), BoxResult::Cancel);
    }
    {
        auto box = BuildMessageBox(Question());
        box->show();
        QTest::keyClick(box.get(), Qt::Key_Return); // OK is the default
        EXPECT_EQ(MessageBoxResult(*box), BoxResult::Ok);
    }
}

TEST(QtMessageBoxHandler, ShowsTheBoxModallyAndReturnsTheAnswer) {
    HandlerGuard guard;
    InstallQtMessageBoxHandler();

    QString seenTitle, seenText;
    QPoint offCentre(99, 99);
    WhenModalBoxShows([&](QMessageBox* box) {
        seenTitle = box->windowTitle();
        seenText = box->text();
        offCentre = box->geometry().center() -
                    QGuiApplication::primaryScreen()->availableGeometry().center();
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(showMessageBox(Question()), BoxResult::Cancel);
    EXPECT_EQ(seenTitle, QStringLiteral("Tivra Sistemas"));
    EXPECT_EQ(seenText, QStringLiteral("Deseja Sair do Sonterra ??\nLinha dois"));
    EXPECT_LE(offCentre.manhattanLength(), 4); // window frames differ by platform

    WhenModalBoxShows([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(showMessageBox(Question()), BoxResult::Ok);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtMessageBoxHandler, GivesTheFocusBack) {
    HandlerGuard guard;
    InstallQtMessageBoxHandler();
    QWidget window;
    QLineEdit* edit = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);

    WhenModalBoxShows([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    ShowMessage("Aviso");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == edit; }, 2000));
}

// A box raised by a bell tick opens from the event loop, after the tick has
// returned, and is modal there.
TEST(QtMessageBoxHandler, BoxesAfterwardsOpenFromTheEventLoop) {
    HandlerGuard guard;
    InstallQtMessageBoxHandler();
    QStringList seen;
    {
        const BoxesAfterwards tick;
        ShowMessage("Pasta - /escola/HORA/ - não localizada - Verifique !!");
        ShowMessage("Pasta - /escola/HORA/ - não localizada - Verifique !!");
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    WhenModalBoxShows([&](QMessageBox* box) {
        seen << box->text();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !seen.isEmpty(); }, 2000));
    QTest::qWait(50); // room for a second box, which must not come
    EXPECT_EQ(seen,
              QStringList{QStringLiteral("Pasta - /escola/HORA/ - não localizada - Verifique !!")});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ErrorBox, FullStopWhenTheLastCharacterSortsAfterIt) {
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Disco cheio")), QStringLiteral("Disco cheio."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Erro 5")), QStringLiteral("Erro 5."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("/tmp/")), QStringLiteral("/tmp/."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Já termina.")), QStringLiteral("Já termina."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Falhou!")), QStringLiteral("Falhou!"));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("(nada)")), QStringLiteral("(nada)"));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("arquivo - ")), QStringLiteral("arquivo - "));
    EXPECT_EQ(ErrorBoxText(QString()), QString());
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Ação")), QStringLiteral("Ação."));
}

TEST(ErrorBox, GoesThroughTheSeamWithTitleAndErrorIcon) {
    HandlerGuard guard;
    const std::string oldTitle = ApplicationTitle();
    SetApplicationTitle("/opt/sonterra/sonterra");
    test::BoxRecorder recorder;
    ShowErrorBox(QStringLiteral("Não foi possível gravar /x/01.PR2: Permissão negada"));
    SetApplicationTitle(oldTitle);
    const std::vector<MessageBoxRequest>& seen = recorder.boxes;

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "/opt/sonterra/sonterra");
    EXPECT_EQ(seen[0].text, "Não foi possível gravar /x/01.PR2: Permissão negada.");
    EXPECT_EQ(seen[0].icon, BoxIcon::Error);
    EXPECT_EQ(seen[0].buttons, BoxButtons::Ok);
    EXPECT_FALSE(seen[0].beep);
}

} // namespace sonterra
