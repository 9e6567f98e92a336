// PadWithZeros and the confirmation question.

#include "core/funcoes.h"
#include "tests/support/box_recorder.h"

#include <gtest/gtest.h>

namespace sonterra {
namespace {

using test::BoxRecorder;

TEST(PadWithZeros, WidthTwo) {
    EXPECT_EQ(PadWithZeros("7", 2), "07");
    EXPECT_EQ(PadWithZeros("12", 2), "12");
    EXPECT_EQ(PadWithZeros("123", 2), "123");
    EXPECT_EQ(PadWithZeros("", 2), "00");
    EXPECT_EQ(PadWithZeros(" 5", 2), "05");
    EXPECT_EQ(PadWithZeros(" 12", 2), " 12");
    EXPECT_EQ(PadWithZeros("\t\n9", 2), "09");
}

TEST(PadWithZeros, OtherWidths) {
    EXPECT_EQ(PadWithZeros("7", 0), "7");
    EXPECT_EQ(PadWithZeros(" 7", -3), " 7");
    EXPECT_EQ(PadWithZeros("", 0), "");
    EXPECT_EQ(PadWithZeros("42", 5), "00042");
}

TEST(ConfirmBox, OkIsTrueAndCancelIsFalse) {
    {
        BoxRecorder recorder(BoxResult::Ok);
        EXPECT_TRUE(ConfirmBox("Deseja sair?"));
    }
    {
        BoxRecorder recorder(BoxResult::Cancel); // Cancel, Esc or closing the box
        EXPECT_FALSE(ConfirmBox("Deseja sair?"));
    }
}

TEST(ConfirmBox, AsksWithBeepOkCancelNoIconUnderItsOwnCaption) {
    BoxRecorder recorder;
    ConfirmBox("Encerrar o programa?\rOs toques param.");
    ASSERT_EQ(recorder.boxes.size(), 1u);
    const MessageBoxRequest& box = recorder.boxes[0];
    EXPECT_EQ(box.caption, "Tivra Sistemas");
    EXPECT_EQ(box.text, "Encerrar o programa?\rOs toques param.");
    EXPECT_EQ(box.buttons, BoxButtons::OkCancel);
    EXPECT_EQ(box.icon, BoxIcon::None);
    EXPECT_TRUE(box.beep);
}

} // namespace
} // namespace sonterra
