// The LX200 sequences byte for byte on a scripted line: catalogue and co-ordinate GoTo with
// the mount's replies read in their shapes, moves and focus runs with their stops, and what
// happens when the mount answers short, wrongly, never, or the line goes away.
#include "telescope/lx200_sequences.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/support/telescope_fixture.h"

namespace vexa {
namespace {

using test::Controlled;
using test::Flushed;
using test::ReadOf;
using test::SerialEvent;
using test::SerialOp;
using test::Wrote;

const std::string kInfo = "M110 RA 00:40 DEC +41*41        #";  // 33 bytes
const std::string kMessage = "Object Below Horizon            #";
const SerialEvent kFlushT = Flushed(SerialQueue::Transmit);
const SerialEvent kFlushR = Flushed(SerialQueue::Receive);

class Lx200SequencesTest : public ::testing::Test {
  protected:
    void SetUp() override { fixture.Connect(); }
    test::TelescopeFixture fixture;
    test::FakeSerialLine& line = fixture.line;
    SerialLine& mount = fixture.mount;
    TelescopeState& link = Session().telescope;
};

TEST_F(Lx200SequencesTest, CatalogueGotoSendsAndReadsInOrder) {
    ASSERT_EQ(kInfo.size(), 33u);
    line.QueueReply(kInfo);
    line.QueueReply("0");
    line.QueueReply(kInfo);
    EXPECT_TRUE(CatalogueGoto(mount, kMessierPrefix, 110).ok());
    const std::vector<SerialEvent> expected = {
        Controlled(),   kFlushT,           kFlushR,           Wrote("#:LM 0110#"),
        Wrote("#:LI#"), Wrote("#:MS#"),    ReadOf(33, kInfo), ReadOf(1, "0"),
        Wrote("#:LI#"), ReadOf(33, kInfo), ReadOf(1, ""),
    };
    EXPECT_EQ(line.events(), expected);
    EXPECT_EQ(link.scopeInfo, kInfo);
    EXPECT_EQ(link.lastGotoReply, '0');
    EXPECT_EQ(fixture.session.ui.beeps, 1);
}

TEST_F(Lx200SequencesTest, CatalogueCommandsAreTenBytesWithFourDigits) {
    struct Case {
        std::string_view prefix;
        int number;
        const char* bytes;
    };
    for (const Case& c :
         {Case{kMessierPrefix, 110, "#:LM 0110#"}, Case{kMessierPrefix, 1, "#:LM 0001#"},
          Case{kCngcPrefix, 7815, "#:LC 7815#"}, Case{kStarPrefix, 909, "#:LS 0909#"}}) {
        line.ClearEvents();
        (void)CatalogueGoto(mount, c.prefix, c.number);
        ASSERT_GE(line.Writes().size(), 1u);
        EXPECT_EQ(line.Writes()[0], c.bytes);
        EXPECT_EQ(line.Writes()[0].size(), kCatalogueCommandBytes);
    }
}

TEST_F(Lx200SequencesTest, ARefusedGotoHasItsMessageReadAwayAndTheQueuesFlushed) {
    line.QueueReply(kInfo + "1" + kMessage);
    line.QueueReply(kInfo);
    EXPECT_TRUE(CatalogueGoto(mount, kStarPrefix, 905).ok());
    const std::vector<SerialEvent> tail(line.events().begin() + 6, line.events().begin() + 11);
    const std::vector<SerialEvent> expected = {ReadOf(33, kInfo), ReadOf(1, "1"),
                                               ReadOf(33, kMessage), kFlushT, kFlushR};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(link.lastGotoReply, '1');

    line.QueueReply(kInfo + "2" + kMessage);
    line.QueueReply(kInfo);
    GotoAnswer answer;
    EXPECT_TRUE(CatalogueGoto(mount, kStarPrefix, 905, &answer).ok());
    EXPECT_TRUE(answer.read);
    EXPECT_EQ(answer.reply, '2');
    EXPECT_EQ(answer.message, kMessage);
}

TEST_F(Lx200SequencesTest, TheInformationReadTakesAwayAMessageAfterIt) {
    line.QueueReply(kInfo + "2" + kMessage);
    EXPECT_TRUE(ReadScopeInfo(mount).ok());
    const std::vector<SerialEvent> expected = {
        Wrote("#:LI#"), ReadOf(33, kInfo), ReadOf(1, "2"), ReadOf(33, kMessage), kFlushT, kFlushR};
    EXPECT_EQ(line.events(), expected);
}

TEST_F(Lx200SequencesTest, CoordinateGotoWritesTwelveAndElevenBytesAndReadsEachAnswer) {
    line.QueueReply("1");
    line.QueueReply("1");
    line.QueueReply(kInfo + "0");
    EXPECT_TRUE(CoordinateGoto(mount, {23, 59, -89, 0}).ok());
    const std::vector<SerialEvent> expected = {
        Controlled(),         kFlushT,           kFlushR,        Wrote("#:Sr 23:59.0"),
        Wrote("#:Sd -89*00"), ReadOf(1, "1"),    Wrote("#:LI#"), ReadOf(1, "1"),
        Wrote("#:MS#"),       ReadOf(33, kInfo), ReadOf(1, "0"),
    };
    EXPECT_EQ(line.events(), expected);
    EXPECT_EQ(link.lastGotoReply, '0');
}

TEST_F(Lx200SequencesTest, DeclinationCommandsCarryTheirSign) {
    EXPECT_EQ(DecCommand({0, 0, -5, 30}), "#:Sd -05*30");
    EXPECT_EQ(DecCommand({0, 0, -5, 30}).size(), kDecCommandBytes);
    EXPECT_EQ(DecCommand({0, 0, 89, 59}), "#:Sd +89*59");
    Coordinates justSouth{0, 0, 0, 30};
    justSouth.decSouth = true;
    EXPECT_EQ(DecCommand(justSouth), "#:Sd -00*30");
    EXPECT_EQ(RaCommand({0, 5, 0, 0}), "#:Sr 00:05.0");
}

TEST_F(Lx200SequencesTest, AValueRefusedWithTheSpaceIsSentOnceMoreWithoutIt) {
    const std::string ra = "#:Sr 05:35.0", dec = "#:Sd -05*23";
    const std::string bareRa = "#:Sr05:35.0", bareDec = "#:Sd-05*23";
    const std::string info = "#:LI#", slew = "#:MS#";
    struct Case {
        const char* mount;
        std::vector<std::string> replies;
        std::vector<std::string> writes;
        StatusCode result;
    };
    const Case cases[] = {
        {"takes both", {"1", "1", kInfo + "0"}, {ra, dec, info, slew}, StatusCode::Ok},
        {"refuses a spaced Dec.",
         {"1", "0", kInfo, "1", kInfo + "0"},
         {ra, dec, info, bareDec, info, slew},
         StatusCode::Ok},
        {"refuses a spaced R.A.",
         {"0", "1", kInfo, "1", kInfo + "0"},
         {ra, dec, info, bareRa, info, slew},
         StatusCode::Ok},
        {"refuses both spaced",
         {"0", "0", kInfo, "1", "1", kInfo + "0"},
         {ra, dec, info, bareRa, bareDec, info, slew},
         StatusCode::Ok},
        {"refuses the Dec. either way",
         {"1", "0", kInfo, "0", kInfo},
         {ra, dec, info, bareDec, info},
         StatusCode::InvalidArgument},
        {"answers neither 1 nor 0",
         {"1", "\xa5", kInfo},
         {ra, dec, info},
         StatusCode::InvalidArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mount);
        line.ClearEvents();
        for (const std::string& reply : c.replies) line.QueueReply(reply);
        GotoAnswer answer;
        EXPECT_EQ(CoordinateGoto(mount, {5, 35, -5, 23}, &answer).code(), c.result);
        EXPECT_EQ(line.Writes(), c.writes);
        EXPECT_EQ(answer.read, c.result == StatusCode::Ok);
        EXPECT_EQ(link.scopeInfo, kInfo);  // every answer read in its place: the line is framed
        EXPECT_EQ(line.PendingReplies(), 0u);
    }
}

TEST_F(Lx200SequencesTest, AMountThatNeverAnswersEndsTheGotoAfterOneWaitAndADrain) {
    const Status result = CatalogueGoto(mount, kMessierPrefix, 31);
    EXPECT_EQ(result.code(), StatusCode::Timeout);
    const std::vector<SerialEvent> tail(line.events().end() - 3, line.events().end());
    const std::vector<SerialEvent> expected = {ReadOf(33, ""), ReadOf(64, ""), kFlushR};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(line.Writes().size(), 3u);  // no second information request
    EXPECT_TRUE(fixture.link.Connected());
}

TEST_F(Lx200SequencesTest, AShortAnswerKeepsWhatCameAndLaterReadsOnlyWaitForQuiet) {
    line.QueueReply("1");  // the R.A. answer, then nothing more
    const Status result = CoordinateGoto(mount, {1, 2, 3, 4});
    EXPECT_EQ(result.code(), StatusCode::Timeout);
    EXPECT_TRUE(link.scopeInfo.empty());
    // The Dec. command is still closed by the information request; no slew follows.
    const std::vector<std::string> expected = {"#:Sr 01:02.0", "#:Sd +03*04", "#:LI#"};
    EXPECT_EQ(line.Writes(), expected);

    line.ClearEvents();
    line.QueueReply("M31 RA 00:42");  // 12 of the 33 bytes
    EXPECT_EQ(ReadScopeInfo(mount).code(), StatusCode::Timeout);
    EXPECT_EQ(link.scopeInfo, "M31 RA 00:42");
}

TEST_F(Lx200SequencesTest, AGarbledReplyIsTakenAsARefusalAndDrained) {
    line.QueueReply(kInfo);
    line.QueueReply(std::string("\xa5", 1) + kMessage);
    line.QueueReply(kInfo);
    EXPECT_TRUE(CatalogueGoto(mount, kMessierPrefix, 1).ok());
    EXPECT_EQ(link.lastGotoReply, '\xa5');
    EXPECT_EQ(line.PendingReplies(), 0u);
}

TEST_F(Lx200SequencesTest, ALineThatGoesAwayIsClosedSoTheNextCommandReconnects) {
    line.SetResult(SerialOp::Write, Status(StatusCode::Disconnected, "gone"));
    EXPECT_EQ(CatalogueGoto(mount, kMessierPrefix, 1).code(), StatusCode::Disconnected);
    EXPECT_EQ(line.Writes().size(), 1u);  // nothing after the failed write
    EXPECT_FALSE(fixture.link.Connected());
    EXPECT_FALSE(mount.IsOpen());
    EXPECT_EQ(StartMove(mount, 'e').code(), StatusCode::NotFound);
}

TEST_F(Lx200SequencesTest, AMoveSendsTheRateThenTheDirectionAndOneReleaseStopsAll) {
    link.slewRateCommand = "#:RC#";
    EXPECT_TRUE(StartMove(mount, 'e').ok());
    EXPECT_TRUE(StartMove(mount, 'w').ok());  // a second press while moving sends nothing
    EXPECT_TRUE(link.moving);
    EXPECT_EQ(link.moveCommand, "#:Me#");
    EXPECT_TRUE(StopMove(mount).ok());
    EXPECT_TRUE(StopMove(mount).ok());  // nothing more once stopped
    const std::vector<SerialEvent> expected = {
        kFlushT, kFlushR, Wrote("#:RC#"), kFlushT,        kFlushR,        Wrote("#:Me#"),
        kFlushT, kFlushR, Wrote("#:Qn#"), Wrote("#:Qs#"), Wrote("#:Qe#"), Wrote("#:Qw#"),
    };
    EXPECT_EQ(line.events(), expected);
    EXPECT_FALSE(link.moving);
}

TEST_F(Lx200SequencesTest, StopsGoOutEvenWhenTheFlushBeforeThemFails) {
    ASSERT_TRUE(StartMove(mount, 'n').ok());
    line.SetResult(SerialOp::Flush, Status(StatusCode::IoError, "flush failed"));
    EXPECT_EQ(StopMove(mount).code(), StatusCode::IoError);
    const std::vector<std::string> writes = line.Writes();
    EXPECT_EQ(std::vector<std::string>(writes.end() - 4, writes.end()),
              (std::vector<std::string>{"#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#"}));
}

TEST_F(Lx200SequencesTest, FocusRunsUseTheSpeedAndStopWithOneCommand) {
    link.focusSpeedCommand = "#:FF#";
    EXPECT_TRUE(StartFocus(mount, false).ok());
    EXPECT_TRUE(StartFocus(mount, true).ok());
    EXPECT_TRUE(StopFocus(mount).ok());
    const std::vector<std::string> expected = {"#:FF#", "#:F-#", "#:FQ#"};
    EXPECT_EQ(line.Writes(), expected);
    EXPECT_FALSE(link.focusing);
}

TEST_F(Lx200SequencesTest, NothingIsSentWithoutAnOpenLine) {
    fixture.link.Close();
    line.ClearEvents();
    EXPECT_EQ(CatalogueGoto(mount, kMessierPrefix, 1).code(), StatusCode::NotFound);
    EXPECT_EQ(CoordinateGoto(mount, {}).code(), StatusCode::NotFound);
    EXPECT_TRUE(line.events().empty());
}

}  // namespace
}  // namespace vexa
