// The console's control socket: station controllers and scripts operate a
// running console with the operator commands, each on a connection of its
// own, and follow its events. A UNIX stream socket in the private runtime
// folder; the console opens no network listener.
//
//   <folder>/NAME.control        the socket, mode 0600
//   <folder>/NAME.control.lock   flock held by the console that serves NAME
//
// The folder is the one of the virtual data ports: $XDG_RUNTIME_DIR/talvane,
// or /tmp/talvane-UID where XDG_RUNTIME_DIR is unset, mode 0700.
#pragma once

#include <QJsonObject>
#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

class QSocketNotifier;
class QWidget;

namespace vq_qt {

Q_DECLARE_LOGGING_CATEGORY(lc_control_socket)

class Control_connection;

class Control_socket : public QObject
{
    Q_OBJECT
public:
    static constexpr int longest_line = 4096; // bytes of a command line, without its newline
    static constexpr int most_clients = 16;
    static constexpr int most_unsent = 1024 * 1024; // bytes a client may leave unread
    static constexpr char default_instance[] = "talvane";

    enum class Listen_result
    {
        listening,
        name_taken, // another console serves this name
        failed,
    };

    explicit Control_socket(QObject* parent = nullptr);
    ~Control_socket() override;

    // Letters, digits, '.', '_' and '-', not starting with '.'; 1 to 64.
    static bool valid_instance_name(const QString& name);
    // The socket of the console named `instance`, for this process's user.
    static QString path_of(const QString& instance);

    // Takes the name and listens; a socket file left by a console that died
    // is replaced. Clients are accepted once serve() has given the window.
    Listen_result listen(const QString& instance, QString* error);
    // Starts accepting clients, each operating `window`.
    void serve(QWidget* window);

    QString path() const { return _path; }
    int client_count() const { return int(_clients.size()); }

public slots:
    // One event of the event list, for every client that asked to watch.
    void publish_event(const QJsonObject& event);

private:
    void _accept();
    void _forget(Control_connection* connection);
    void _close();

    QString _path;
    QString _lock_path;
    int _lock_fd = -1;
    int _listen_fd = -1;
    QSocketNotifier* _listener = nullptr;
    QPointer<QWidget> _window;
    std::vector<Control_connection*> _clients;
    int _clients_seen = 0;
};

} // namespace vq_qt
