#include <gtest/gtest.h>

#include "app/ErrorCodes.h"
#include "support/RecordingSeam.h"

namespace quillon::test {
namespace {

using namespace engine;

TEST(Messages, ErrorBoxByNumberFormatsAndSkipsEmptyTexts) {
    RecordingSeam seam;
    ShowErrorMessage(seam, 9999);
    ShowErrorMessage(seam, 0);
    EXPECT_TRUE(seam.boxes.empty()) << "a number without text shows nothing";

    ShowErrorMessage(seam, MsgProgramBusy, {kProductName, kProductName});
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0],
              "error: Quillon is busy performing some task. Please make sure that Quillon is idle, and try to open "
              "this file again.\n");
}

TEST(Messages, NumbersThatShareATextShareIt) {
    // The reader's and the player's memory and data-chunk messages are one text each.
    EXPECT_NE(MessageText(MsgNotEnoughMemory).find("Error code 104"), std::string::npos);
    EXPECT_NE(MessageText(MsgNoDataChunk).find("DATA chunk"), std::string::npos);
    EXPECT_EQ(MessageText(MsgTheFilePrefix) + "x.wav" + MessageText(MsgDoesNotExistSuffix),
              "Error: The file x.wav does not exist.");
}

TEST(Messages, RaisedErrorsGetAFullStop) {
    RecordingSeam seam;
    ShowRaisedError(seam, RaisedError("Unable to write to /x/Quillon.ini"));
    ShowRaisedError(seam, ConvertError("ab"));
    ShowRaisedError(seam, RaisedError("Already ends."));
    EXPECT_EQ(seam.boxes,
              (std::vector<std::string>{"error: Unable to write to /x/Quillon.ini.",
                                        "error: 'ab' is not a valid integer value.", "error: Already ends."}));
}

}  // namespace
}  // namespace quillon::test
