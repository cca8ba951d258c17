#include "scanner/FrameImage.h"
#include "scanner/SourceSelection.h"

#include <gtest/gtest.h>

namespace {

TEST(SourceSelection, PicksFeederAndDuplexByName)
{
    EXPECT_TRUE(namesFeeder({"Flatbed", "Automatic Document Feeder"}));
    EXPECT_TRUE(namesFeeder({"adf duplex"}));
    EXPECT_FALSE(namesFeeder({"Flatbed", "Transparency Adapter"}));
    EXPECT_FALSE(namesFeeder({}));

    const QStringList fujitsu = {"Flatbed", "ADF Front", "ADF Back", "ADF Duplex"};
    EXPECT_EQ(planSources(fujitsu, {}, true), (SourcePlan{"ADF Duplex", {}, true, true}));
    EXPECT_EQ(planSources(fujitsu, {}, false), (SourcePlan{"ADF Front", {}, true, false}));

    // "ADF" is a whole name: with duplex wanted it must not settle on "ADF
    // Front" by prefix, and without it it must not take the duplex source.
    const QStringList epson = {"Flatbed", "ADF", "ADF Front", "ADF Duplex"};
    EXPECT_EQ(planSources(epson, {}, false).source.toStdString(), "ADF");
    EXPECT_EQ(planSources(epson, {}, true).source.toStdString(), "ADF Duplex");

    EXPECT_EQ(planSources({"Flatbed", "Duplex", "ADF"}, {}, true).source.toStdString(), "Duplex");
}

TEST(SourceSelection, DuplexSwitchIsSetEitherWayAndFlatbedsIgnoreDuplex)
{
    EXPECT_EQ(planSources({"Flatbed", "Automatic Document Feeder"}, {"preview", "duplex"}, true),
              (SourcePlan{"Automatic Document Feeder", "duplex", true, true}));
    // The switch is turned off explicitly: the device may still have it on.
    EXPECT_EQ(planSources({"ADF"}, {"scan-both-sides"}, false),
              (SourcePlan{"ADF", "scan-both-sides", true, false}));
    EXPECT_EQ(planSources({"Flatbed"}, {"duplex"}, true), SourcePlan{});
    EXPECT_EQ(planSources({}, {}, true), SourcePlan{});
    // A duplex-only feeder is not used for one side.
    EXPECT_EQ(planSources({"Flatbed", "ADF Duplex"}, {}, false), SourcePlan{});
}

FrameFormat format(FrameFormat::Kind kind, int depth, int pixels, int bytesPerLine, int lines)
{
    return FrameFormat{kind, true, bytesPerLine, pixels, lines, depth};
}

TEST(FrameImage, LineArtSetBitIsBlackAndLinePaddingIsSkipped)
{
    // 10 pixels need 2 bytes; the device pads lines to 3.
    const QByteArray data("\x80\x40\xff"
                          "\x00\x00\xff",
                          6);
    PageAssembler page;
    ASSERT_TRUE(page.addFrame(format(FrameFormat::Kind::gray, 1, 10, 3, 2), data, nullptr));
    const QImage image = page.image();
    ASSERT_EQ(image.size(), QSize(10, 2));
    EXPECT_EQ(image.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(image.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(image.pixel(1, 0)), 255);
    EXPECT_EQ(qGray(image.pixel(9, 0)), 0); // bit 6 of the second byte
    EXPECT_EQ(qGray(image.pixel(8, 0)), 255);
    EXPECT_EQ(qGray(image.pixel(0, 1)), 255);
}

TEST(FrameImage, GrayAndColourFrames)
{
    PageAssembler gray;
    ASSERT_TRUE(gray.addFrame(format(FrameFormat::Kind::gray, 8, 2, 2, -1),
                              QByteArray("\x10\x20\x30\x40", 4), nullptr));
    EXPECT_EQ(gray.image().size(), QSize(2, 2)); // height from the data when unknown
    EXPECT_EQ(qGray(gray.image().pixel(1, 1)), 0x40);

    quint16 deep[2] = {0xabcd, 0x1234};
    PageAssembler gray16;
    ASSERT_TRUE(gray16.addFrame(format(FrameFormat::Kind::gray, 16, 2, 4, 1),
                                QByteArray(reinterpret_cast<const char*>(deep), 4), nullptr));
    EXPECT_EQ(qGray(gray16.image().pixel(0, 0)), 0xab);

    PageAssembler rgb;
    ASSERT_TRUE(rgb.addFrame(format(FrameFormat::Kind::rgb, 8, 1, 4, 1),
                             QByteArray("\x11\x22\x33\x00", 4), nullptr));
    EXPECT_EQ(rgb.image().pixel(0, 0), qRgb(0x11, 0x22, 0x33));

    PageAssembler threePass;
    FrameFormat red = format(FrameFormat::Kind::red, 8, 1, 1, 1);
    red.lastFrame = false;
    ASSERT_TRUE(threePass.addFrame(red, QByteArray("\x50", 1), nullptr));
    FrameFormat blue = format(FrameFormat::Kind::blue, 8, 1, 1, 1);
    ASSERT_TRUE(threePass.addFrame(blue, QByteArray("\x70", 1), nullptr));
    EXPECT_EQ(threePass.image().pixel(0, 0), qRgb(0x50, 0, 0x70));
}

TEST(FrameImage, RejectsLayoutsItCannotRead)
{
    QString error;
    PageAssembler page;
    EXPECT_FALSE(
        page.addFrame(format(FrameFormat::Kind::gray, 8, 4, 2, 1), QByteArray(4, 0), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(
        page.addFrame(format(FrameFormat::Kind::gray, 4, 4, 2, 1), QByteArray(4, 0), &error));
    EXPECT_FALSE(page.addFrame(format(FrameFormat::Kind::gray, 8, 4, 4, 1), QByteArray(), &error));
    EXPECT_TRUE(page.image().isNull());
}

} // namespace
