// The notification service of the desktop notice test. It owns the service's name on the
// bus that DBUS_SESSION_BUS_ADDRESS names, writes "ready" and then each call it receives as
// a line to the file its argument names, and answers with the ids 41, 42 ...
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
    std::FILE* log = nullptr;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
        const QString& body, const QStringList& actions, const QVariantMap& hints, int expire)
    {
        // The urgency's type too: the servers take it as a byte only.
        const QVariant urgency = hints.value(QStringLiteral("urgency"));
        const QStringList fields = { app, QString::number(replaces), icon, summary, body,
            QString::number(actions.size()), QString::number(hints.size()),
            QString::fromLatin1(urgency.typeName()) + QLatin1Char(' ')
                + QString::number(urgency.toInt()),
            QString::number(expire) };
        std::fprintf(log, "%s\n", fields.join(QLatin1Char('|')).toUtf8().constData());
        std::fflush(log);
        return ++lastId_;
    }

private:
    uint lastId_ = 40;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    NotificationRecorder recorder;
    recorder.log = argc == 2 ? std::fopen(argv[1], "w") : nullptr;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!recorder.log
        || !bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
            QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 1;
    std::fprintf(recorder.log, "ready\n");
    std::fflush(recorder.log);
    return QCoreApplication::exec();
}

#include "notification_recorder.moc"
