// A JSON body posted to the web port. The first byte picks the family (bits
// 0-1: Vela, Orion, Draco, pass-through), demo mode (bit 2) and the salvo
// request instead of the take (bit 3); the rest is the body, sent from this
// machine with no password set. Whatever it holds, the answer is one of the
// documented ones with a JSON body (404 for a salvo where the switcher keeps
// none), and only whole frames reach the switcher.
#include "FuzzRig.h"

#include "web/WebApi.h"
#include "web/WebState.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size == 0)
        return 0;
    const uint8_t mode = Data[0];
    FuzzRig rig(FamilyFromMode(mode), DemoFromMode(mode), Tables::Watched);
    rig.server.model.NumSalvos = 8;
    HttpRequest r;
    r.Peer = "127.0.0.1";
    r.Method = "POST";
    const bool salvo = (mode & 8) != 0;
    r.Path = salvo ? "/api/v1/salvo" : "/api/v1/take";
    r.Headers = {{"host", "127.0.0.1:8080"}, {"content-type", "application/json"}};
    r.Body = AsBytes(Data + 1, Size - 1);
    const HttpResponse answer = rig.server.onHttpRequest(r);
    const bool noSalvos = salvo && !HasSalvos(rig.server);
    FUZZ_CHECK(noSalvos ? answer.Status == 404 : answer.Status == 202 || answer.Status == 400 || answer.Status == 409);
    QJsonParseError error{};
    const QJsonDocument body = QJsonDocument::fromJson(QByteArray::fromStdString(answer.Body), &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError && body.isObject());
    FUZZ_CHECK((answer.Status == 202) != body.object().contains("error"));
    FUZZ_CHECK(answer.Status == 202 || rig.serial.writes.empty());
    rig.PollOnce();
    CheckAll(rig);
    return 0;
}
