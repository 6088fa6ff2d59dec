#pragma once
// The web port's answers: the panel, the JSON interface under /api/v1/, the
// events socket's door, /metrics and /healthz. Request in, response out;
// takes and salvos go to the switcher through the family's dispatchers.
#include "platform/Seams.h"
#include "web/WebAuth.h"
#include "web/WebState.h"

#include <QJsonObject>

#include <string>

class Server;

constexpr const char* EventsPath = "/api/v1/events";

// What the answers need beyond the Server.
struct WebFacts {
    PortCounts Connections;
    long long UptimeSeconds = 0;
    long long NowMs = 0;
};

HttpResponse AnswerWebRequest(Server& s, WebAuthState& Auth, const WebFacts& f, const HttpRequest& r);

// The value of header Name (lower case); empty when absent.
std::string HeaderValue(const HttpRequest& r, const char* Name);
HttpResponse JsonResponse(int Status, const QJsonObject& Document);
// {"error": Text}
HttpResponse ErrorResponse(int Status, const std::string& Text);
