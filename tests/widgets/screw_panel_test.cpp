#include "widgets/screw_panel.h"

#include <QImage>

#include <gtest/gtest.h>

namespace sonterra {

TEST(ScrewPanel, CaptionAndColour) {
    TScrewPanel panel;
    EXPECT_EQ(panel.caption(), QString());
    panel.setCaption(QStringLiteral("Quorvel Sonterra"));
    EXPECT_EQ(panel.caption(), QStringLiteral("Quorvel Sonterra"));
    EXPECT_EQ(panel.color(), QColor(140, 140, 140));
}

TEST(ScrewPanel, ScrewsSitTwoPixelsInFromEachCorner) {
    TScrewPanel panel;
    panel.resize(337, 33);
    EXPECT_EQ(panel.screwRect(0), QRect(2, 2, 8, 8));
    EXPECT_EQ(panel.screwRect(1), QRect(327, 2, 8, 8));
    EXPECT_EQ(panel.screwRect(2), QRect(2, 23, 8, 8));
    EXPECT_EQ(panel.screwRect(3), QRect(327, 23, 8, 8));
}

TEST(ScrewPanel, PaintsGreyFaceAndDarkScrewHeads) {
    TScrewPanel panel;
    panel.resize(337, 33);
    panel.setCaption(QStringLiteral("Quorvel Sonterra"));
    const QImage image = panel.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(20, 16)), QColor(140, 140, 140));
    for (int corner = 0; corner < 4; ++corner) {
        const QRect box = panel.screwRect(corner);
        int darkest = 255;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                darkest = qMin(darkest, qGray(image.pixel(x, y)));
        EXPECT_LT(darkest, 100) << "corner " << corner;
    }
}

} // namespace sonterra
