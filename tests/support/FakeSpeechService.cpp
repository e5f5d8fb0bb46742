#include "support/FakeSpeechService.h"

#include "Base/Unicode.h"

#include <QTcpSocket>

namespace TestSupport {

namespace {

using Base::Json::Value;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 402:
        return "Payment Required";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 422:
        return "Unprocessable Entity";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

std::optional<QByteArray> findHeader(const HttpHeaders& headers, QByteArrayView name) {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}

// The status line and the headers: the body's length, or chunked transfer coding for an endless
// trickle.
QByteArray head(const FakeSpeechService::Response& response) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                     reasonPhrase(response.status) + "\r\n";
    for (const auto& [name, value] : response.headers)
        out += name + ": " + value + "\r\n";
    if (response.trickle && response.trickle->endless)
        out += "Transfer-Encoding: chunked\r\n";
    else if (!findHeader(response.headers, "Content-Length"))
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    return out + "\r\n";
}

QByteArray serialize(const FakeSpeechService::Response& response) {
    return head(response) + response.body.left(response.sentBytes.value_or(response.body.size()));
}

// Takes one whole request off the front of `buffer`, if one has arrived.
std::optional<FakeSpeechService::Request> takeRequest(QByteArray& buffer) {
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return std::nullopt;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    FakeSpeechService::Request request;
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.append(
                {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    const qsizetype length =
        findHeader(request.headers, "Content-Length").value_or("0").toLongLong();
    const qsizetype bodyStart = headerEnd + 4;
    if (buffer.size() < bodyStart + length)
        return std::nullopt;
    request.body = buffer.mid(bodyStart, length);
    buffer.remove(0, bodyStart + length);
    return request;
}

} // namespace

// ---- Request and Response -----------------------------------------------------------------

QByteArray FakeSpeechService::Request::path() const {
    const qsizetype question = target.indexOf('?');
    return question < 0 ? target : target.left(question);
}

QUrlQuery FakeSpeechService::Request::query() const {
    const qsizetype question = target.indexOf('?');
    return QUrlQuery(question < 0 ? QString() : QString::fromLatin1(target.mid(question + 1)));
}

std::optional<QByteArray> FakeSpeechService::Request::header(QByteArrayView name) const {
    return findHeader(headers, name);
}

Value FakeSpeechService::Request::json() const {
    return Base::Json::parse(body).valueOr(Value());
}

FakeSpeechService::Response FakeSpeechService::Response::json(const Value& value, int status) {
    return {status, Base::Json::serialize(value).value(), {{"Content-Type", "application/json"}}};
}

FakeSpeechService::Response FakeSpeechService::Response::error(int status, const QString& slug,
                                                               const QString& message) {
    return json(Value{{"detail", Value{{"status", slug}, {"message", message}}}}, status);
}

FakeSpeechService::Response
FakeSpeechService::Response::withTimestamps(const QByteArray& audio, const QString& text,
                                            double duration, std::optional<QString> requestID) {
    Value characters = Value::array();
    for (const Base::Unicode::Scalar scalar : Base::Unicode::Scalars(text))
        characters.push_back(text.mid(scalar.offset, scalar.length));
    Value starts = Value::array();
    Value ends = Value::array();
    const double step = characters.empty() ? 0 : duration / double(characters.size());
    for (size_t i = 0; i < characters.size(); ++i) {
        starts.push_back(step * double(i));
        ends.push_back(i + 1 == characters.size() ? duration : step * double(i + 1));
    }
    const Value alignment{{"characters", characters},
                          {"character_start_times_seconds", starts},
                          {"character_end_times_seconds", ends}};
    Response response = json(Value{{"audio_base64", QString::fromLatin1(audio.toBase64())},
                                   {"alignment", alignment},
                                   {"normalized_alignment", alignment}});
    if (requestID)
        response.withHeader("request-id", requestID->toUtf8());
    return response;
}

FakeSpeechService::Response& FakeSpeechService::Response::withHeader(QByteArray name,
                                                                     QByteArray value) {
    headers.append({std::move(name), std::move(value)});
    return *this;
}

// ---- Service ------------------------------------------------------------------------------

FakeSpeechService::FakeSpeechService(Base::Scheduler& scheduler) : m_scheduler(scheduler) {
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    m_server.listen(QHostAddress::LocalHost);
    m_port = m_server.serverPort();
}

FakeSpeechService::~FakeSpeechService() {
    stop();
}

QUrl FakeSpeechService::baseURL() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

void FakeSpeechService::on(const QByteArray& method, const QString& pathPattern, Handler handler) {
    m_routes.push_back({method,
                        QRegularExpression(QRegularExpression::anchoredPattern(pathPattern)),
                        std::move(handler)});
}

void FakeSpeechService::on(const QByteArray& method, const QString& pathPattern,
                           Response response) {
    on(method, pathPattern, [response](const Request&) { return response; });
}

void FakeSpeechService::serveSpeech(const QByteArray& audio, double duration) {
    on("POST", synthesisRoute(), [this, audio, duration](const Request& request) {
        const QString text = Base::Json::require<QString>(request.json(), "text").valueOr({});
        return Response::withTimestamps(audio, text, duration,
                                        QStringLiteral("req-%1").arg(++m_synthesisCount));
    });
    const Value subscription{
        {"tier", "creator"}, {"character_count", 1200}, {"character_limit", 100000}};
    on("GET", QStringLiteral("/v1/user"),
       Response::json(Value{{"user_id", "fake-user"}, {"subscription", subscription}}));
    on("GET", QStringLiteral("/v1/user/subscription"), Response::json(subscription));
    const auto voice = [this](const char* id, const char* name, const char* category) {
        return Value{
            {"voice_id", id},
            {"name", name},
            {"category", category},
            {"preview_url",
             baseURL().toString() + QStringLiteral("/previews/%1.mp3").arg(QLatin1String(id))}};
    };
    on("GET", QStringLiteral("/v1/voices"),
       Response::json(Value{{"voices", Value::array({voice("fake-voice-1", "Ada", "premade"),
                                                     voice("fake-voice-2", "Bo", "cloned")})}}));
    on("GET", QStringLiteral("/previews/[^/]+\\.mp3"),
       Response{200, audio, {{"Content-Type", "audio/mpeg"}}});
}

void FakeSpeechService::releaseHeld() {
    for (const auto& [socket, response] : std::exchange(m_held, {}))
        if (socket)
            write(*socket, response);
}

void FakeSpeechService::write(QTcpSocket& socket, const Response& response) {
    socket.write(serialize(response));
    if (response.closesEarly)
        socket.disconnectFromHost();
}

int FakeSpeechService::openConnections() const {
    return int(m_buffers.size());
}

void FakeSpeechService::stop() {
    m_server.close();
    for (QTcpSocket* socket : m_buffers.keys())
        socket->abort();
    m_buffers.clear();
}

void FakeSpeechService::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_acceptedConnections;
        m_buffers.insert(socket, {});
        QObject::connect(socket, &QTcpSocket::readyRead, &m_server,
                         [this, socket] { read(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, &m_server, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            read(socket);
    }
}

void FakeSpeechService::read(QTcpSocket* socket) {
    auto buffer = m_buffers.find(socket);
    if (buffer == m_buffers.end())
        return;
    buffer->append(socket->readAll());
    while (const auto request = takeRequest(*buffer)) {
        m_requests.append(*request);
        answer(socket, *request);
    }
}

// One part of a trickling body, and the next one scheduled after it.
void FakeSpeechService::trickle(const QPointer<QTcpSocket>& socket, const Response& response,
                                qsizetype sent) {
    if (!socket || response.body.isEmpty())
        return;
    const Response::Trickle& pace = *response.trickle;
    if (pace.endless) {
        QByteArray part;
        for (qsizetype i = 0; i < pace.bytes; ++i)
            part += response.body[(sent + i) % response.body.size()];
        socket->write(QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n");
    } else {
        socket->write(response.body.mid(sent, pace.bytes));
    }
    sent += pace.bytes;
    std::erase_if(m_delayed, [](const Base::ScheduledTask& part) { return !part.isPending(); });
    if (pace.endless || sent < response.body.size())
        m_delayed.push_back(m_scheduler.after(
            pace.interval, [this, socket, response, sent] { trickle(socket, response, sent); }));
}

void FakeSpeechService::answer(QTcpSocket* socket, const Request& request) {
    Response response = respond(request);
    if (response.trickle) {
        socket->write(head(response));
        trickle(socket, response, 0);
    } else if (response.held) {
        m_held.append({socket, std::move(response)});
    } else if (response.delay > 0) {
        m_delayed.push_back(
            m_scheduler.after(response.delay, [socket = QPointer(socket), response] {
                if (socket)
                    write(*socket, response);
            }));
    } else {
        write(*socket, response);
    }
}

FakeSpeechService::Response FakeSpeechService::respond(const Request& request) const {
    const QString path = QString::fromLatin1(request.path());
    for (auto route = m_routes.rbegin(); route != m_routes.rend(); ++route)
        if (route->method == request.method && route->path.match(path).hasMatch())
            return route->handler(request);
    return Response::error(404, QStringLiteral("not_found"), QStringLiteral("No such route"));
}

} // namespace TestSupport
