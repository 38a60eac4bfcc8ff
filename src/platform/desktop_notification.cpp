#include "platform/desktop_notification.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>
#include <string_view>
#include <sys/stat.h>

namespace vesko {

namespace {

constexpr int kCallMilliseconds = 2000;

std::string RuntimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && runtime[0] == '/' ? std::string(runtime) : std::string();
}

// A path as a D-Bus address value: bytes outside the few it allows written as %XX.
QString AddressValue(const std::string& path)
{
    std::string value;
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || std::string_view("-_/.\\*").find(c) != std::string_view::npos) {
            value += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02x", u);
            value += hex;
        }
    }
    return QString::fromStdString(value);
}

// The session bus as libdbus finds it, without its last resort of starting a bus of its
// own through X11: a run from a timer has no display, and a bus started for one notice
// would be left running with nobody listening to it.
QString SessionBusAddress()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return QString::fromLocal8Bit(address);
    const std::string runtime = RuntimeFolder();
    struct stat st { };
    if (runtime.empty() || ::stat((runtime + "/bus").c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return {};
    return QStringLiteral("unix:path=") + AddressValue(runtime + "/bus");
}

quint32 LastNoticeId(const std::string& path)
{
    std::ifstream in(path);
    unsigned long id = 0;
    return path.empty() || !(in >> id) || id > 0xffffffffUL ? 0 : static_cast<quint32>(id);
}

// Written aside and renamed, so that a run that reads it meanwhile finds a whole id. A
// failure only costs the replacing: the next run's notice comes as a new one.
void KeepNoticeId(const std::string& path, quint32 id)
{
    if (path.empty())
        return;
    ::mkdir(path.substr(0, path.rfind('/')).c_str(), 0700);
    const std::string aside = path + ".new";
    {
        std::ofstream out(aside, std::ios::trunc);
        out << id << '\n';
        if (!out)
            return;
    }
    std::rename(aside.c_str(), path.c_str());
}

NoticeDelivery Notify(const QDBusConnection& bus, const std::string& summary,
    const std::string& body, NoticeUrgency urgency)
{
    const std::string idPath = NoticeIdPath();
    QDBusMessage call
        = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
        QVariant::fromValue<uchar>(urgency == NoticeUrgency::Critical ? 2 : 1));
    call << QStringLiteral("Vesko Backup") << LastNoticeId(idPath) << QStringLiteral("vesko-backup")
         << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList()
         << hints << qint32(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return NoticeDelivery::NotDelivered;
    KeepNoticeId(idPath, reply.arguments().constFirst().toUInt());
    return NoticeDelivery::Sent;
}

} // namespace

std::string NoticeIdPath()
{
    const std::string runtime = RuntimeFolder();
    return runtime.empty() ? std::string() : runtime + "/vesko-backup/notification-id";
}

NoticeDelivery SendDesktopNotice(
    const std::string& summary, const std::string& body, NoticeUrgency urgency)
{
    const QString address = SessionBusAddress();
    if (address.isEmpty())
        return NoticeDelivery::NoSessionBus;
    // A connection of its own rather than the shared session bus: it goes with the notice,
    // and follows the address the environment names now.
    const QString name = QStringLiteral("vesko-backup-notice");
    NoticeDelivery delivery = NoticeDelivery::NoSessionBus;
    {
        const QDBusConnection bus = QDBusConnection::connectToBus(address, name);
        if (bus.isConnected())
            delivery = Notify(bus, summary, body, urgency);
    }
    QDBusConnection::disconnectFromBus(name);
    return delivery;
}

} // namespace vesko
