// The notification service the desktop notice test talks to. It owns the service's name on
// the bus that DBUS_SESSION_BUS_ADDRESS names, writes "ready" and then each call it
// receives as one line to the file its argument names, and answers with the ids 41, 42 ...
#include <cstdio>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QStringList>
#include <QVariantMap>

namespace {

class NotificationRecorder : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit NotificationRecorder(std::FILE* log)
        : log_(log)
    {
    }

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
        const QString& body, const QStringList& actions, const QVariantMap& hints, int expire)
    {
        // The urgency's type is recorded too: the servers read it as a byte only.
        const QVariant urgency = hints.value(QStringLiteral("urgency"));
        const QString line = QStringList { app, QString::number(replaces), icon, summary, body,
            QString::number(actions.size()), QString::number(hints.size()),
            QString::fromLatin1(urgency.typeName()) + QLatin1Char(' ')
                + QString::number(urgency.toInt()),
            QString::number(expire) }
                                 .join(QLatin1Char('|'));
        std::fprintf(log_, "%s\n", line.toUtf8().constData());
        std::fflush(log_);
        return ++lastId_;
    }

private:
    std::FILE* log_;
    uint lastId_ = 40;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::FILE* log = argc == 2 ? std::fopen(argv[1], "w") : nullptr;
    if (!log)
        return 2;
    NotificationRecorder recorder(log);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
            QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 1;
    std::fprintf(log, "ready\n");
    std::fflush(log);
    return QCoreApplication::exec();
}

#include "notification_recorder.moc"
