#include "web/WebApi.h"

#include "disk/Logs.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "model/TakeTypes.h"
#include "switcher/ToSwitcher.h"
#include "web/WebBody.h"
#include "web/WebMetrics.h"

#include <QFile>

#include <optional>

namespace {

using Handler = HttpResponse (*)(Server&, WebAuthState&, const WebFacts&, const HttpRequest&);

struct Route {
    const char* Method;
    const char* Path;
    Handler Answer;
};

constexpr const char* JsonType = "application/json";

HttpResponse PanelFile(const char* Resource, const char* Type)
{
    QFile file(Resource);
    if (!file.open(QIODevice::ReadOnly))
        return ErrorResponse(500, "panel missing from the build");
    const QByteArray bytes = file.readAll();
    return {200, Type, {{"Cache-Control", "no-cache"}}, Bytes(bytes.constData(), static_cast<size_t>(bytes.size()))};
}

// A page elsewhere must not make a browser here (or one that knows the
// password) change anything: browsers name the page a request comes from;
// other clients name none.
bool FromThisPage(const HttpRequest& r, std::string& Why)
{
    const std::string origin = HeaderValue(r, "origin");
    const std::string host = HeaderValue(r, "host");
    if (!origin.empty() && origin != "http://" + host && origin != "https://" + host) {
        Why = "request from another site";
        return false;
    }
    return true;
}

// The password and loopback rule; nothing when the change may go ahead.
std::optional<HttpResponse> Refusal(Server& s, WebAuthState& Auth, const WebFacts& f, const HttpRequest& r)
{
    std::string why;
    if (!FromThisPage(r, why))
        return ErrorResponse(403, why);
    switch (CheckWriteAccess(s.cfg.WebPassword, HeaderValue(r, "authorization"), r.Peer, Auth, f.NowMs)) {
    case WriteAccess::Allowed: break;
    case WriteAccess::NeedPassword:
    case WriteAccess::WrongPassword: {
        HttpResponse challenge = ErrorResponse(401, "password needed");
        challenge.Headers.emplace_back("WWW-Authenticate", "Basic realm=\"HVN Server\", charset=\"UTF-8\"");
        return challenge;
    }
    case WriteAccess::Paused: {
        HttpResponse pause = ErrorResponse(429, "wrong password a moment ago; try again");
        pause.Headers.emplace_back("Retry-After", "1");
        return pause;
    }
    case WriteAccess::LocalOnly:
        return ErrorResponse(403, "changes need the web password, or a request from this machine");
    }
    if (!SwitcherTakesCommands(s, why))
        return ErrorResponse(409, why);
    return std::nullopt;
}

HttpResponse Take(Server& s, WebAuthState& Auth, const WebFacts& f, const HttpRequest& r)
{
    if (auto refused = Refusal(s, Auth, f, r))
        return *refused;
    TakeRequest take;
    std::string error;
    if (!ParseTake(r.Body, s.model.NumDestinations, s.model.NumSources, take, error))
        return ErrorResponse(400, error);
    int takeType = TakeType::Take;
    SendTakeToSwitcher(s, take.Source, take.Destination, takeType, NoneValue);
    s.counters.Take(Port::Web);
    LogIPMessage(s, "Take - In:" + Digits(take.Source + 1, 3) + "-->Out:" + Digits(take.Destination + 1, 3), r.Peer);
    return JsonResponse(202, QJsonObject{{"destination", take.Destination + 1}, {"source", take.Source + 1}});
}

HttpResponse Salvo(Server& s, WebAuthState& Auth, const WebFacts& f, const HttpRequest& r)
{
    if (!HasSalvos(s))
        return ErrorResponse(404, "this switcher has no salvos");
    if (auto refused = Refusal(s, Auth, f, r))
        return *refused;
    int salvo = 0;
    std::string error;
    if (!ParseSalvo(r.Body, s.model.NumSalvos, salvo, error))
        return ErrorResponse(400, error);
    SendSalvoExecuteToSwitcher(s, salvo);
    LogIPMessage(s, "Salvo Execute Number " + std::to_string(salvo + 1), r.Peer);
    return JsonResponse(202, QJsonObject{{"salvo", salvo + 1}});
}

HttpResponse Events(Server&, WebAuthState&, const WebFacts&, const HttpRequest& r)
{
    std::string why;
    if (!r.WebSocket)
        return {426, JsonType, {{"Upgrade", "websocket"}}, "{\"error\":\"a WebSocket only\"}\n"};
    if (!FromThisPage(r, why))
        return ErrorResponse(403, why);
    return {HttpSwitchingProtocols, "", {}, ""};
}

HttpResponse Healthz(Server& s, WebAuthState&, const WebFacts&, const HttpRequest&)
{
    std::string why;
    if (SwitcherUp(s) || s.cfg.DemoMode)
        return JsonResponse(200, QJsonObject{{"status", "ok"}});
    if (!s.ServerEnabled)
        why = "server disabled";
    else if (s.Link.Awaiting())
        why = "waiting for the switcher to answer";
    else
        why = "switcher has not sent all its tables";
    return JsonResponse(503, QJsonObject{{"status", "unavailable"}, {"reason", QString::fromStdString(why)}});
}

struct PanelAsset {
    const char* Path;
    const char* Resource;
    const char* Type;
};

constexpr PanelAsset PanelAssets[] = {
    {"/", ":/web/index.html", "text/html; charset=utf-8"},
    {"/panel.css", ":/web/panel.css", "text/css; charset=utf-8"},
    {"/panel.js", ":/web/panel.js", "text/javascript; charset=utf-8"},
};

template <size_t Asset>
HttpResponse Panel(Server&, WebAuthState&, const WebFacts&, const HttpRequest&)
{
    return PanelFile(PanelAssets[Asset].Resource, PanelAssets[Asset].Type);
}

HttpResponse Status(Server& s, WebAuthState&, const WebFacts& f, const HttpRequest&)
{
    return JsonResponse(200, StatusJson(s, f.Connections, f.UptimeSeconds));
}

HttpResponse Crosspoints(Server& s, WebAuthState&, const WebFacts&, const HttpRequest&)
{
    return JsonResponse(200, CrosspointsJson(s.model));
}

HttpResponse Names(Server& s, WebAuthState&, const WebFacts&, const HttpRequest&)
{
    return JsonResponse(200, NamesJson(s));
}

HttpResponse Metrics(Server& s, WebAuthState&, const WebFacts& f, const HttpRequest&)
{
    return {200, "text/plain; version=0.0.4; charset=utf-8", {}, MetricsText(s.counters, f.Connections, SwitcherUp(s))};
}

const Route Routes[] = {
    {"GET", PanelAssets[0].Path, Panel<0>},
    {"GET", PanelAssets[1].Path, Panel<1>},
    {"GET", PanelAssets[2].Path, Panel<2>},
    {"GET", "/api/v1/status", Status},
    {"GET", "/api/v1/crosspoints", Crosspoints},
    {"GET", "/api/v1/names", Names},
    {"POST", "/api/v1/take", Take},
    {"POST", "/api/v1/salvo", Salvo},
    {"GET", EventsPath, Events},
    {"GET", "/metrics", Metrics},
    {"GET", "/healthz", Healthz},
};

}  // namespace

HttpResponse AnswerWebRequest(Server& s, WebAuthState& Auth, const WebFacts& f, const HttpRequest& r)
{
    std::string allowed;
    for (const Route& route : Routes) {
        if (r.Path != route.Path)
            continue;
        if (r.Method == route.Method)
            return route.Answer(s, Auth, f, r);
        allowed += (allowed.empty() ? "" : ", ") + std::string(route.Method);
    }
    if (allowed.empty())
        return ErrorResponse(404, "no such page");
    HttpResponse wrong = ErrorResponse(405, "method not allowed");
    wrong.Headers.emplace_back("Allow", allowed);
    return wrong;
}

std::string HeaderValue(const HttpRequest& r, const char* Name)
{
    for (const auto& [name, value] : r.Headers)
        if (name == Name)
            return value;
    return std::string();
}

HttpResponse JsonResponse(int Status, const QJsonObject& Document)
{
    return {Status, JsonType, {{"Cache-Control", "no-store"}}, CompactJson(Document) + "\n"};
}

HttpResponse ErrorResponse(int Status, const std::string& Text)
{
    return JsonResponse(Status, QJsonObject{{"error", QString::fromStdString(Text)}});
}
