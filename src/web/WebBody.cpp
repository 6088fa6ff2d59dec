#include "web/WebBody.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <initializer_list>
#include <utility>

namespace {

using Field = std::pair<const char*, int>;  // name, largest value

// Fills Values (0-based) in the order of Fields.
bool ParseNumbers(const Bytes& Body, std::initializer_list<Field> Fields, int* Values, std::string& Error)
{
    if (Body.size() > MaxJsonBody) {
        Error = "body too large";
        return false;
    }
    QJsonParseError parse{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(Body.data(), static_cast<qsizetype>(Body.size())), &parse);
    if (parse.error != QJsonParseError::NoError) {
        Error = "bad JSON: " + parse.errorString().toStdString();
        return false;
    }
    if (!doc.isObject()) {
        Error = "body must be a JSON object";
        return false;
    }
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const Field& f : Fields)
            known = known || it.key() == QLatin1String(f.first);
        if (!known) {
            Error = "unknown field \"" + it.key().toStdString() + "\"";
            return false;
        }
    }
    for (const Field& f : Fields) {
        const QJsonValue value = object.value(QLatin1String(f.first));
        const double n = value.toDouble(-1);
        if (value.isUndefined()) {
            Error = std::string("missing field \"") + f.first + "\"";
            return false;
        }
        if (!value.isDouble() || n != std::floor(n) || n < 1 || n > f.second) {
            Error = std::string(f.first) + " must be a whole number from 1 to " + std::to_string(f.second);
            return false;
        }
        *Values++ = static_cast<int>(n) - 1;
    }
    return true;
}

}  // namespace

bool ParseTake(const Bytes& Body, int Destinations, int Sources, TakeRequest& Take, std::string& Error)
{
    int values[2] = {};
    if (!ParseNumbers(Body, {{"destination", Destinations}, {"source", Sources}}, values, Error))
        return false;
    Take = {values[0], values[1]};
    return true;
}

bool ParseSalvo(const Bytes& Body, int Salvos, int& Salvo, std::string& Error)
{
    return ParseNumbers(Body, {{"salvo", Salvos}}, &Salvo, Error);
}
