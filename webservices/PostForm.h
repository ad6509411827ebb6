#pragma once
#include <QString>
#include <QStringList>

// Posts form fields ("name=value", sent in list order) to the full address and returns the reply
// body as text. An address starting with "https://" (any case) goes to the secure client, which
// returns the reply whatever its HTTP status; anything else goes to the plain client, which also
// fails on an HTTP error status. timeoutMs bounds connecting and waiting for the reply. Each
// call has its own client, so calls on several threads share nothing. Synchronous: blocks the
// calling thread (user input to windows waits, painting goes on).
QString PostForm(const QString &address, const QStringList &fields, int timeoutMs); // throws MirelonError

// Outcome of the two-attempt pattern: the reply (empty when both attempts failed) and the
// failure message of each attempt that raised.
struct PostAttempts {
    QString reply;
    bool httpsFailed = false;
    QString httpsError;
    bool httpTried() const { return httpsFailed; } // the second attempt runs exactly then
    bool httpFailed = false;
    QString httpError;
};

// hostAndPath is e.g. ServiceHost() + "/php/check2.php". First attempt "https://" + hostAndPath;
// only when it raises, a second one over "http://". A reply that arrived over HTTPS, whatever
// its content or status, is never repeated. Never throws.
PostAttempts PostWithFallbackAttempts(const QString &hostAndPath, const QStringList &fields, int timeoutMs);

// The same, for callers that keep no failure record: the reply, or empty when both failed.
QString PostWithFallback(const QString &hostAndPath, const QStringList &fields, int timeoutMs);

// Address of each attempt. When MIRELON_SERVICE_HTTPS_PORT is set, the HTTPS attempt goes to
// that port of the same host (the HTTP attempt keeps the host's own port); tests use it to
// serve both schemes from loopback.
QString HttpsAddressOf(const QString &hostAndPath);
QString HttpAddressOf(const QString &hostAndPath);

// Lines of a reply, split at CR LF, CR or LF; a final line break adds no empty line.
QStringList SplitReplyLines(const QString &reply);
