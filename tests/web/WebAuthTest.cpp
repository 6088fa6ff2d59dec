#include "web/WebAuth.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace {

std::string Basic(const std::string& Credentials)
{
    return "Basic " + QByteArray::fromStdString(Credentials).toBase64().toStdString();
}

}  // namespace

TEST(WebAuth, AStoredHashHoldsNoPasswordAndMatchesOnlyItsOwn)
{
    const Bytes salt = NewPasswordSalt();
    ASSERT_EQ(salt.size(), 16u);
    EXPECT_NE(NewPasswordSalt(), salt);
    const std::string stored = HashWebPassword("correct horse", salt, 1000);
    EXPECT_EQ(stored.rfind("pbkdf2-sha256$1000$", 0), 0u);
    EXPECT_EQ(stored.find("correct horse"), std::string::npos);
    EXPECT_TRUE(IsWebPasswordHash(stored));
    EXPECT_TRUE(WebPasswordMatches(stored, "correct horse"));
    EXPECT_FALSE(WebPasswordMatches(stored, "correct hors"));
    EXPECT_FALSE(WebPasswordMatches(stored, ""));
    // The same password with another salt is another hash.
    EXPECT_NE(HashWebPassword("correct horse", NewPasswordSalt(), 1000), stored);
    // The default costs what the header says.
    EXPECT_EQ(HashWebPassword("x", salt).rfind("pbkdf2-sha256$" + std::to_string(WebPasswordIterations) + "$", 0), 0u);
}

TEST(WebAuth, AStoredValueThatIsNoHashLetsNobodyIn)
{
    const std::string good = HashWebPassword("pw", "saltsaltsaltsalt", 1000);
    const std::string broken[] = {
        "pw",                                                      // a password stored as it stands
        "",                                                        //
        "sha1$1000$c2FsdA==$" + good.substr(good.rfind('$') + 1),  // another scheme
        "pbkdf2-sha256$10$c2FsdHNhbHRzYWx0c2FsdA==$" + good.substr(good.rfind('$') + 1),  // too few rounds
        "pbkdf2-sha256$1000$$" + good.substr(good.rfind('$') + 1),                        // no salt
        "pbkdf2-sha256$1000$c2FsdHNhbHRzYWx0c2FsdA==$AAAA",                               // short key
        "pbkdf2-sha256$1000$!!!$" + good.substr(good.rfind('$') + 1),                     // not base64
        good + "$",
    };
    for (const std::string& stored : broken) {
        EXPECT_FALSE(IsWebPasswordHash(stored)) << stored;
        EXPECT_FALSE(WebPasswordMatches(stored, "pw")) << stored;
    }
    WebAuthState state;
    EXPECT_EQ(CheckWriteAccess("pw", Basic(":pw"), "127.0.0.1", state, 0), WriteAccess::WrongPassword);
}

TEST(WebAuth, BasicCredentialsGiveThePasswordWhateverTheUser)
{
    std::string password;
    EXPECT_TRUE(BasicPassword(Basic("operator:pa:ss word"), password));
    EXPECT_EQ(password, "pa:ss word");
    EXPECT_TRUE(BasicPassword("basic " + Basic(":x").substr(6), password));
    EXPECT_EQ(password, "x");
    EXPECT_TRUE(BasicPassword(Basic(":"), password));
    EXPECT_EQ(password, "");
    for (const std::string& bad : {std::string(""), std::string("Basic"), std::string("Bearer abc"),
                                   std::string("Basic !!!!"), Basic("no colon")})
        EXPECT_FALSE(BasicPassword(bad, password)) << bad;
}

TEST(WebAuth, LoopbackIsThisMachineOnly)
{
    for (const char* local : {"127.0.0.1", "127.255.0.9", "::1", "::ffff:127.0.0.1"})
        EXPECT_TRUE(IsLoopback(local)) << local;
    for (const char* far : {"", "10.0.0.1", "128.0.0.1", "::2", "::ffff:10.0.0.1", "localhost"})
        EXPECT_FALSE(IsLoopback(far)) << far;
}
