#include "view/temphint.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

TEST(TempHint, FramelessOnTopAndClosedByEitherButton)
{
    for (const char* button : {"closeButton", "okButton"}) {
        TempHint hint;
        EXPECT_TRUE(hint.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(hint.windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_GE(hint.minimumWidth(), 387);
        EXPECT_GE(hint.minimumHeight(), 280);
        EXPECT_EQ(hint.findChild<QPushButton*>("closeButton")->size(), QSize(31, 31));
        hint.show();
        ASSERT_TRUE(hint.isVisible());
        hint.findChild<QPushButton*>(button)->click();
        EXPECT_FALSE(hint.isVisible()) << button;
    }
}

TEST(TempHint, TextsFollowTheLanguage)
{
    TempHint hint;
    auto* message = hint.findChild<QLabel*>("message");
    auto* ok = hint.findChild<QPushButton*>("okButton");
    EXPECT_EQ(message->text(), QString::fromUtf8("高温模式测试中，此设备暂无适配"));
    QTranslator english;
    ASSERT_TRUE(english.load(":language/lang_English.qm"));
    QApplication::installTranslator(&english);
    QApplication::processEvents();
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(message->text().startsWith("High-temperature mode"));
    QApplication::removeTranslator(&english);
    QApplication::processEvents();
    EXPECT_EQ(ok->text(), QString::fromUtf8("确定"));
}

} // namespace
