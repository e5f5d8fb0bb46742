#pragma once

#include "Base/Json.h"
#include "Base/Scheduler.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <optional>
#include <vector>

class QTcpSocket;

namespace TestSupport {

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// A stand-in for the text-to-speech web service on 127.0.0.1 that speaks real HTTP/1.1. It
// records every request and answers from scripted routes: tests script exact answers, end-to-end
// tests install serveSpeech() and use it as the service.
class FakeSpeechService {
public:
    struct Request {
        QByteArray method;
        QByteArray target; // as on the request line: the encoded path and the query
        HttpHeaders headers;
        QByteArray body;

        QByteArray path() const; // the target without its query, still encoded
        QUrlQuery query() const;
        std::optional<QByteArray> header(QByteArrayView name) const; // name without regard to case
        Base::Json::Value json() const; // the body parsed; null when it is not JSON
    };

    struct Response {
        int status = 200;
        QByteArray body;
        HttpHeaders headers;
        double delay = 0;  // seconds on the service's scheduler before the answer is written
        bool held = false; // written only when releaseHeld() is called
        // The body stops after this many bytes, though the header announces all of it; the
        // connection then stays open without another byte, or closes when `closesEarly`.
        std::optional<qsizetype> sentBytes = std::nullopt;
        bool closesEarly = false;
        // The body goes out `bytes` at a time, the first part with the header and each next one
        // `interval` seconds later on the service's scheduler; an `endless` one in chunked
        // transfer coding, its body over and over, never ending.
        struct Trickle {
            qsizetype bytes = 1;
            double interval = 1;
            bool endless = false;
        };
        std::optional<Trickle> trickle = std::nullopt;

        static Response json(const Base::Json::Value& value, int status = 200);
        // The service's error body: {"detail": {"status": slug, "message": message}}.
        static Response error(int status, const QString& slug, const QString& message);
        // A successful synthesis answer for `text`: the audio in Base64 and one alignment entry
        // per character, spread evenly over `duration` seconds.
        static Response withTimestamps(const QByteArray& audio, const QString& text,
                                       double duration,
                                       std::optional<QString> requestID = std::nullopt);

        Response& withHeader(QByteArray name, QByteArray value);
    };

    using Handler = std::function<Response(const Request&)>;

    // The path pattern of a synthesis request, for on().
    static QString synthesisRoute() {
        return QStringLiteral("/v1/text-to-speech/[^/]+/with-timestamps");
    }

    // Starts listening on a free port of 127.0.0.1. Delays run on `scheduler`.
    explicit FakeSpeechService(Base::Scheduler& scheduler = Base::QtScheduler::shared());
    ~FakeSpeechService();
    FakeSpeechService(const FakeSpeechService&) = delete;
    FakeSpeechService& operator=(const FakeSpeechService&) = delete;

    // "http://127.0.0.1:<port>": the base address to give the client.
    QUrl baseURL() const;

    // Answers requests whose method and whole encoded path (no query) match; `pathPattern` is a
    // regular expression. The route added last wins; unmatched requests get a 404 error body.
    void on(const QByteArray& method, const QString& pathPattern, Handler handler);
    void on(const QByteArray& method, const QString& pathPattern, Response response);

    // Routes that behave like the service for a healthy account: synthesis answers with `audio`
    // and timings over `duration` seconds (request ids "req-1", "req-2", …), the user record and
    // subscription, a voice list of two voices whose previews are served as `audio`.
    void serveSpeech(const QByteArray& audio, double duration);

    const QList<Request>& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // Writes every held answer whose connection is still open.
    void releaseHeld();
    // Connections the clients currently hold open.
    int openConnections() const;
    // Connections the clients opened since the service started.
    int acceptedConnections() const { return m_acceptedConnections; }
    // Closes the port and every connection: from now on the service is down.
    void stop();

private:
    struct Route {
        QByteArray method;
        QRegularExpression path;
        Handler handler;
    };
    void accept();
    void read(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Request& request);
    static void write(QTcpSocket& socket, const Response& response);
    void trickle(const QPointer<QTcpSocket>& socket, const Response& response, qsizetype sent);
    Response respond(const Request& request) const;

    Base::Scheduler& m_scheduler;
    QTcpServer m_server;
    quint16 m_port = 0;
    std::vector<Route> m_routes;
    QList<Request> m_requests;
    QList<QPair<QPointer<QTcpSocket>, Response>> m_held;
    std::vector<Base::ScheduledTask> m_delayed;
    QHash<QTcpSocket*, QByteArray> m_buffers; // what each open connection sent so far
    int m_synthesisCount = 0;
    int m_acceptedConnections = 0;
};

} // namespace TestSupport
