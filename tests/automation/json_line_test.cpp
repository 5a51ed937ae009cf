// Trace lines are valid JSON whose numbers read back as the same floats.
#include "automation/json_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

TEST(JsonLine, NestsWithCommasInTheRightPlaces) {
  JsonLine line;
  line.BeginObject();
  line.Key("a").Integer(1);
  line.Key("b").BeginArray().Integer(2).BeginObject().Key("c").Null().EndObject().Bool(true);
  line.EndArray();
  line.Key("d").BeginArray().EndArray();
  line.EndObject();
  EXPECT_EQ(line.Text(), R"({"a":1,"b":[2,{"c":null},true],"d":[]})");
}

TEST(JsonLine, FloatsUseTheShortestTextThatReadsBackTheSame) {
  for (float value : {0.02f, 2.98f, 1.0f / 3.0f, 0.1f + 0.2f, -0.0f, 1e-30f, 3.4e38f, 7.0f}) {
    JsonLine line;
    line.Number(value);
    float back = std::strtof(line.Text().c_str(), nullptr);
    EXPECT_EQ(back, value) << line.Text();
  }
  JsonLine line;
  line.BeginArray().Number(0.02f).Number(0.5).EndArray();
  EXPECT_EQ(line.Text(), "[0.02,0.5]");
}

TEST(JsonLine, NonFiniteNumbersBecomeNull) {
  JsonLine line;
  line.BeginArray();
  line.Number(std::numeric_limits<float>::quiet_NaN());
  line.Number(std::numeric_limits<double>::infinity());
  line.EndArray();
  EXPECT_EQ(line.Text(), "[null,null]");
}

TEST(JsonLine, StringsEscapeQuotesControlsAndHighBytes) {
  JsonLine line;
  line.String(std::string("a\"b\\c\n\x01\xE9", 8));
  EXPECT_EQ(line.Text(), R"("a\"b\\c\u000a\u0001\u00e9")");
}

}  // namespace
