// Command checks: what is refused, on which switcher, and what reaches it.
#include "model/ByteManipulation.h"
#include "zolt/ZoltRig.h"

namespace {

using ZoltCommands = ZoltTest;

const Bytes Ok = "OK\r\n";
const Bytes Error = "ERROR\r\n";

TEST_F(ZoltCommands, ADecimalFieldWithANonDigitIsOutOfRange)
{
    const int c = Connect();
    // Read as code minus 30 hex, "/:" would be input -1: a turn-off.
    for (const Bytes& command :
         {Ctrl('T') + "0/:005", Ctrl('T') + "00100:", Ctrl('E') + "T0/:00005", Ctrl('I') + "00:", Ctrl('E') + "I000:",
          Ctrl('X') + "00:", Ctrl('S') + "100:", Ctrl('R') + "100:", Ctrl('E') + "V:"}) {
        Feed(c, command);
        EXPECT_EQ(Sent(c), Error) << HexText(static_cast<unsigned char>(command[0])) << command.substr(1);
    }
    EXPECT_EQ(SerialSent(), "");
    EXPECT_TRUE(ErrorLogged("Error Processing Zolt Take"));  // the four-digit take logs its refusals
}

TEST_F(ZoltCommands, HexadecimalDigitsAreUpperCaseOnly)
{
    const int c = Connect();
    Feed(c, Ctrl('D') + "T10A0B");
    EXPECT_EQ(SerialSent(), TakeFrame(10, 11, 4));
    EXPECT_EQ(Sent(c), Ok);
    // A bad low digit must not pass as a number either.
    for (const char* take : {"T10a0b", "T100G01", "T20A0B"}) {
        Feed(c, Ctrl('D') + take);
        EXPECT_EQ(Sent(c), Error) << take;
    }
    EXPECT_EQ(SerialSent(), "");
}

TEST_F(ZoltCommands, TurnOffOnlyOnAVela)
{
    const int c = Connect();
    Feed(c, Ctrl('T') + "000005");
    EXPECT_EQ(SerialSent(), TakeFrame(0, 4, 0));
    Use(SwitcherType::Orion);
    Feed(c, Ctrl('T') + "000005" + Ctrl('T') + "001001");
    EXPECT_EQ(Sent(c), Ok + Error + Ok);
}

TEST_F(ZoltCommands, TableIndexesAreCheckedAgainstTheLastEntry)
{
    const int c = Connect();
    s.model.NumSalvos = 3;
    s.model.SalvoSortTable = {2, 0, 1};
    // Salvo by name: position 3 is past the sort table; position 1 is salvo 0.
    Feed(c, Ctrl('S') + "2004" + Ctrl('S') + "2002");
    EXPECT_EQ(Sent(c), Error + Ok);
    Bytes salvo0("\xEA\x00", 2);
    AppendPair(salvo0, 0);
    AppendChecksumAndEnd(salvo0);
    EXPECT_EQ(SerialSent(), salvo0);
    // By number the salvo only goes to the switcher: its documented range stays.
    Feed(c, Ctrl('S') + "1004");
    EXPECT_EQ(Sent(c), Ok);
    SerialSent();

    const Bytes lastOutput = Digits(s.model.NumDestinations, 4);
    const Bytes pastOutput = Digits(s.model.NumDestinations + 1, 4);
    Feed(c, Ctrl('Q') + "41010" + pastOutput + Ctrl('Z') + "50" + pastOutput);
    EXPECT_EQ(Sent(c), Error + Error);
    EXPECT_EQ(SerialSent(), "");
    s.model.TransitionControl.resize(10);
    Feed(c, Ctrl('Q') + "410100011" + Ctrl('Q') + "410100010");
    EXPECT_EQ(Sent(c), Error + Ok);

    Route(s.model.NumDestinations - 1, 6);
    Feed(c, Ctrl('Z') + "50" + lastOutput);
    EXPECT_EQ(Sent(c), "U" + lastOutput + ":P0:01:0007\r\n");
}

TEST_F(ZoltCommands, AGainStageThatSendsNothingIsAnError)
{
    const int c = Connect();
    Feed(c, Ctrl('Z') + "10" + "0002" + "0003" + "1024" + "05" + "02");
    EXPECT_EQ(Sent(c), Error);
    EXPECT_EQ(SerialSent(), "");
    Feed(c, Ctrl('Z') + "10" + "0002" + "0003" + "1024" + "05" + "11");
    EXPECT_EQ(Sent(c), Ok);
    EXPECT_EQ(SerialSent(), BuildGainVela(11, 1024, 2, 1, 5));
}

TEST_F(ZoltCommands, VelaOnlyCommandsOnAnotherSwitcher)
{
    Use(SwitcherType::Orion);
    const int c = Connect();
    Feed(c, Ctrl('L') + "1010005" + Ctrl('Q') + "410100003" + Ctrl('Z') + "00" + "0001" + "0002" + "1024" + "00000" +
                Ctrl('Z') + "10" + "0001" + "0002" + "1024" + "00" + "01");
    EXPECT_EQ(Sent(c), Error + Error + Error + Error);
    Feed(c, Ctrl('E') + "V2" + Ctrl('E') + "V4");
    EXPECT_EQ(Sent(c), "Orion\r\n");
    Use(SwitcherType::Draco);
    Feed(c, Ctrl('E') + "V2");
    EXPECT_EQ(Sent(c), "\r\n");
}

TEST_F(ZoltCommands, ThreeDigitNameRequestsOnAnOrion)
{
    Use(SwitcherType::Orion);
    const int c = Connect();
    // 257 is beyond the table: no answer; 300 and 000 no three-digit request covers.
    Feed(c, Ctrl('X') + "257" + Ctrl('X') + "300" + Ctrl('X') + "000");
    EXPECT_EQ(Sent(c), Error + Error);
}

}  // namespace
