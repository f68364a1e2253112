// Taking numbers in from dialog fields: the value or the framework's message.

#include "platform/FieldRange.h"
#include "support/PromptRecorder.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(FieldRange, UnsignedFieldsTakeDigitsWithinTheRange)
{
    const QString range = QStringLiteral("Enter an integer between 0 and 4095.");
    const QString notANumber = QStringLiteral("Enter a positive integer.");
    const struct {
        const char* text;
        std::optional<std::uint32_t> value;
        QString message;
    } rows[] = {
        {"0", 0u, {}},           {"4095", 4095u, {}},       {" 131 ", 131u, {}},
        {"0004095", 4095u, {}},  {"4096", {}, range},       {"99999999999999999999999", {}, range},
        {"", {}, notANumber},    {"12a", {}, notANumber},   {"-1", {}, notANumber},
        {"1 2", {}, notANumber}, {"+5", {}, notANumber},
    };
    for (const auto& row : rows) {
        const auto taken = TakeUnsignedField(QLatin1String(row.text), 0, 4095);
        EXPECT_EQ(taken.value, row.value) << row.text;
        EXPECT_EQ(taken.message, row.message) << row.text;
    }
    EXPECT_EQ(TakeUnsignedField(QStringLiteral("4294967295"), 0, 0xFFFFFFFFu).value, 0xFFFFFFFFu);
}

TEST(FieldRange, SignedFieldsTakeAMinusSign)
{
    EXPECT_EQ(TakeIntegerField(QStringLiteral("-10"), -10, 10).value, -10);
    EXPECT_EQ(TakeIntegerField(QStringLiteral("-11"), -10, 10).message,
              QStringLiteral("Enter an integer between -10 and 10."));
    EXPECT_EQ(TakeIntegerField(QStringLiteral("-"), -10, 10).message, QStringLiteral("Enter an integer."));
    EXPECT_EQ(TakeIntegerField(QStringLiteral("-2147483648"), std::numeric_limits<std::int32_t>::min(), 0).value,
              std::numeric_limits<std::int32_t>::min());
}

TEST(FieldRange, RefusedFieldsAreToldInAWarningBox)
{
    PromptRecorder prompts;
    std::uint32_t value = 7;
    EXPECT_FALSE(TakeUnsignedFieldOrWarn(QStringLiteral("4096"), 0, 4095, value));
    EXPECT_EQ(value, 7u);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Enter an integer between 0 and 4095."));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
    EXPECT_TRUE(TakeUnsignedFieldOrWarn(QStringLiteral("12"), 0, 4095, value));
    EXPECT_EQ(value, 12u);
    EXPECT_EQ(prompts.shown.size(), 1u);
}

} // namespace
