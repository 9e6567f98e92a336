#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

TEST(Resources, JpegIsDecodedByQt) {
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("jpeg"));
}

TEST(Resources, PicturesAreLinkedInWithTheirSizes) {
    struct Picture {
        const char* path;
        QSize size;
        QByteArray format;
    };
    for (const Picture& p :
         {Picture{":/logo.jpg", {249, 82}, "jpeg"}, Picture{":/photo.jpg", {800, 600}, "jpeg"},
          Picture{":/sonterra.png", {32, 32}, "png"}}) {
        QImageReader reader(QString::fromLatin1(p.path));
        EXPECT_EQ(reader.format(), p.format) << p.path;
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << p.path << ": " << reader.errorString().toStdString();
        EXPECT_EQ(image.size(), p.size) << p.path;
    }
}
