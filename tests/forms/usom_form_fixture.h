#pragma once
// A real TForm1 on a temporary program folder, with the clock, the 500 ms
// timer, the notification area and the message boxes in the test's hands.

#include "forms/usom.h"
#include "tests/forms/usom_support.h"

#include <gtest/gtest.h>

#include <QString>

#include <memory>
#include <string>

namespace sonterra::test {

class FormTest : public ::testing::Test {
protected:
    void Make() {
        TForm1Seams seams;
        seams.clock = &clock;
        auto manual = std::make_unique<FakeTickTimer>();
        timer = manual.get();
        seams.timer = std::move(manual);
        seams.trayAvailable = [this] {
            ++trayQuestions;
            return trayAvailable;
        };
        // UTF-8 holds every name; a Windows code page lacks some letters.
        seams.systemTextHolds = [this](const std::string& utf8) {
            return missingLetter.empty() || utf8.find(missingLetter) == std::string::npos;
        };
        form = std::make_unique<TForm1>(std::move(seams));
    }

    template <class T> T* W(const char* name) const {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    TempProgramFolder prog;
    FakeClock clock{kSaturdayMorning};
    BoxRecorder boxes;
    bool trayAvailable = false;
    int trayQuestions = 0;
    std::string missingLetter;      // UTF-8; empty: the day files hold every name
    FakeTickTimer* timer = nullptr; // owned by form
    std::unique_ptr<TForm1> form;
};

} // namespace sonterra::test
