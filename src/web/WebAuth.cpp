#include "web/WebAuth.h"

#include "model/ClientAddresses.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace {

constexpr const char* Scheme = "pbkdf2-sha256";
constexpr int KeyBytes = 32;
constexpr int SaltBytes = 16;
// Fewer would make a stored hash cheap to guess, more would stall the server.
constexpr int MinIterations = 1000;
constexpr int MaxIterations = 1000000;

QByteArray ToQ(const std::string& Text) { return QByteArray(Text.data(), static_cast<qsizetype>(Text.size())); }

QByteArray Derive(const std::string& Password, const QByteArray& Salt, int Iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, ToQ(Password), Salt, Iterations, KeyBytes);
}

// Takes as long for a near miss as for a far one.
bool SameBytes(const QByteArray& A, const QByteArray& B)
{
    if (A.size() != B.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < A.size(); ++i)
        diff = static_cast<unsigned char>(diff | (A[i] ^ B[i]));
    return diff == 0;
}

struct StoredHash {
    int Iterations = 0;
    QByteArray Salt, Key;
};

bool ParseStored(const std::string& Stored, StoredHash& Hash)
{
    const QList<QByteArray> parts = ToQ(Stored).split('$');
    if (parts.size() != 4 || parts[0] != Scheme)
        return false;
    bool ok = false;
    Hash.Iterations = parts[1].toInt(&ok);
    const auto salt = QByteArray::fromBase64Encoding(parts[2], QByteArray::AbortOnBase64DecodingErrors);
    const auto key = QByteArray::fromBase64Encoding(parts[3], QByteArray::AbortOnBase64DecodingErrors);
    if (!ok || Hash.Iterations < MinIterations || Hash.Iterations > MaxIterations || !salt || !key ||
        (*salt).isEmpty() || (*key).size() != KeyBytes)
        return false;
    Hash.Salt = *salt;
    Hash.Key = *key;
    return true;
}

// What is remembered of a credential that matched: never the password itself.
Bytes Fingerprint(const std::string& Stored, const std::string& Password)
{
    const QByteArray digest = QCryptographicHash::hash(ToQ(Stored + '\n' + Password), QCryptographicHash::Sha256);
    return Bytes(digest.constData(), static_cast<size_t>(digest.size()));
}

}  // namespace

std::string HashWebPassword(const std::string& Password, const Bytes& Salt, int Iterations)
{
    const QByteArray salt = ToQ(Salt);
    return std::string(Scheme) + "$" + std::to_string(Iterations) + "$" + salt.toBase64().toStdString() + "$" +
           Derive(Password, salt, Iterations).toBase64().toStdString();
}

Bytes NewPasswordSalt()
{
    Bytes salt(SaltBytes, '\0');
    for (char& b : salt)
        b = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return salt;
}

bool WebPasswordMatches(const std::string& Stored, const std::string& Password)
{
    StoredHash hash;
    return ParseStored(Stored, hash) && SameBytes(Derive(Password, hash.Salt, hash.Iterations), hash.Key);
}

bool IsWebPasswordHash(const std::string& Stored)
{
    StoredHash hash;
    return ParseStored(Stored, hash);
}

bool BasicPassword(const std::string& Authorization, std::string& Password)
{
    const QByteArray value = ToQ(Authorization).trimmed();
    const qsizetype space = value.indexOf(' ');
    if (space < 0 || value.left(space).toLower() != "basic")
        return false;
    const auto decoded =
        QByteArray::fromBase64Encoding(value.mid(space + 1).trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const qsizetype colon = (*decoded).indexOf(':');
    if (colon < 0)
        return false;
    Password = (*decoded).mid(colon + 1).toStdString();
    return true;
}

bool IsLoopback(const std::string& Address) { return !Address.empty() && ClientAllowed("127.0.0.0/8 ::1", Address); }

WriteAccess CheckWriteAccess(const std::string& Stored, const std::string& Authorization, const std::string& Peer,
                             WebAuthState& State, long long NowMs)
{
    if (Stored.empty())
        return IsLoopback(Peer) ? WriteAccess::Allowed : WriteAccess::LocalOnly;
    std::string password;
    if (!BasicPassword(Authorization, password))
        return WriteAccess::NeedPassword;
    const Bytes fingerprint = Fingerprint(Stored, password);
    if (!State.Matched.empty() && SameBytes(ToQ(fingerprint), ToQ(State.Matched)))
        return WriteAccess::Allowed;
    if (State.LastFailureMs >= 0 && NowMs - State.LastFailureMs < WebPasswordPauseMs)
        return WriteAccess::Paused;
    if (!WebPasswordMatches(Stored, password)) {
        State.LastFailureMs = NowMs;
        return WriteAccess::WrongPassword;
    }
    State.Matched = fingerprint;
    return WriteAccess::Allowed;
}
