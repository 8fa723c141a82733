// The desktop host's volumes: the mounted ones for the storage-select dialog,
// and ejecting through UDisks2. See qthost.h.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <algorithm>
#include <climits>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

#include "platform/mountinfo.h"
#include "platform/qt/qtprivate.h"

namespace {

std::vector<sOsVolume> gSnapshot;

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString kConnection = QStringLiteral("kvb-eject");

// Whether the block device holding `path` is removable (a card reader's
// medium, a USB stick): the kernel's flag of the whole disk.
bool removable(const char *path) {
    struct stat st;
    if (stat(path, &st) != 0) return false;
    char link[64], real[PATH_MAX];
    std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major(st.st_dev), minor(st.st_dev));
    if (!realpath(link, real)) return false;
    std::string dev = real;
    if (dev.find("/mmcblk") != std::string::npos) return true;  // SD cards say 0, yet are cards
    for (std::string dir : {dev, dev.substr(0, dev.rfind('/'))}) {
        FILE *f = std::fopen((dir + "/removable").c_str(), "r");
        if (!f) continue;
        int c = std::fgetc(f);
        std::fclose(f);
        return c == '1';
    }
    return false;
}

bool mountPoint(const char *path) {
    struct stat self, parent;
    std::string up = std::string(path) + "/..";
    if (stat(path, &self) != 0 || stat(up.c_str(), &parent) != 0) return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

int fail(char *why, size_t cap, const QString &text) {
    if (why && cap) std::snprintf(why, cap, "%s", text.toUtf8().constData());
    return -1;
}

// One block device as UDisks2 reports it.
struct sBlock {
    QString path;          // object path
    QString drive;         // its drive's object path ("/" when none)
    bool mountedThere = false;
};

// The drive facts that decide what may be done.
struct sDriveFacts {
    bool removable = false;
    bool ejectable = false;
    bool canPowerOff = false;
};

// Reads GetManagedObjects' reply: the block mounted at `root` and the facts
// of its drive. Returns false when no block is mounted there.
bool findBlock(const QDBusMessage &reply, const QByteArray &root, sBlock *block, sDriveFacts *drive) {
    if (reply.arguments().isEmpty()) return false;
    const QDBusArgument objects = reply.arguments().at(0).value<QDBusArgument>();
    std::map<QString, sDriveFacts> drives;
    bool found = false;
    objects.beginMap();
    while (!objects.atEnd()) {
        QDBusObjectPath path;
        objects.beginMapEntry();
        objects >> path;
        objects.beginMap();
        sBlock b{path.path(), QStringLiteral("/"), false};
        sDriveFacts facts;
        bool isDrive = false;
        while (!objects.atEnd()) {
            QString iface;
            QVariantMap props;
            objects.beginMapEntry();
            objects >> iface >> props;
            objects.endMapEntry();
            if (iface == kFilesystem && props.contains(QStringLiteral("MountPoints"))) {
                const QDBusArgument points = props.value(QStringLiteral("MountPoints")).value<QDBusArgument>();
                points.beginArray();
                while (!points.atEnd()) {
                    QByteArray p;
                    points >> p;
                    if (p.endsWith('\0')) p.chop(1);
                    if (p == root) b.mountedThere = true;
                }
                points.endArray();
            } else if (iface == kBlock) {
                b.drive = props.value(QStringLiteral("Drive")).value<QDBusObjectPath>().path();
            } else if (iface == kDrive) {
                isDrive = true;
                facts.removable = props.value(QStringLiteral("Removable")).toBool() ||
                                  props.value(QStringLiteral("MediaRemovable")).toBool();
                facts.ejectable = props.value(QStringLiteral("Ejectable")).toBool();
                facts.canPowerOff = props.value(QStringLiteral("CanPowerOff")).toBool();
            }
        }
        objects.endMap();
        objects.endMapEntry();
        if (isDrive) drives[path.path()] = facts;
        if (b.mountedThere && !found) {
            *block = b;
            found = true;
        }
    }
    objects.endMap();
    if (found) *drive = drives.count(block->drive) ? drives[block->drive] : sDriveFacts{};
    return found;
}

QDBusMessage call(QDBusConnection &bus, const QString &path, const QString &iface, const QString &method,
                  const QVariantList &args, int timeoutMs) {
    QDBusMessage m = QDBusMessage::createMethodCall(kService, path, iface, method);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, timeoutMs);
}

int ejectOn(QDBusConnection &bus, const char *root, const QByteArray &point, char *why, size_t cap) {
    if (!bus.isConnected()) {
        if (!mountPoint(root)) return 1;
        return fail(why, cap, QStringLiteral("the system bus cannot be reached: ") + bus.lastError().message());
    }
    QDBusMessage reply = call(bus, QStringLiteral("/org/freedesktop/UDisks2"),
                              QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                              QStringLiteral("GetManagedObjects"), {}, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (!mountPoint(root)) return 1;
        return fail(why, cap, QStringLiteral("UDisks2 cannot be asked: ") + reply.errorMessage());
    }
    sBlock block;
    sDriveFacts drive;
    // A plain folder, or a file system UDisks2 does not look after.
    if (!findBlock(reply, point, &block, &drive)) return 1;
    // A fixed disk is never ejected: it may be the computer's own.
    if (block.drive == QLatin1String("/") || !drive.removable) return 1;
    const QVariantList noOptions{QVariant::fromValue(QVariantMap())};
    // Unmounting writes out what is cached; on a slow card that takes a while.
    reply = call(bus, block.path, kFilesystem, QStringLiteral("Unmount"), noOptions, 120000);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return fail(why, cap, QStringLiteral("cannot unmount: ") + reply.errorMessage());
    QString method = drive.ejectable ? QStringLiteral("Eject") : drive.canPowerOff ? QStringLiteral("PowerOff") : QString();
    if (method.isEmpty()) return 0;
    reply = call(bus, block.drive, kDrive, method, noOptions, 30000);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return fail(why, cap, QStringLiteral("unmounted, but the drive cannot be ejected: ") + reply.errorMessage());
    return 0;
}

}  // namespace

int qtVolumeScan(void) {
    std::vector<sOsVolume> all = mntVolumesRead();
    gSnapshot.clear();
    // The system's memory file systems (/run, /tmp, /dev/shm) hold no card;
    // one mounted where volumes are mounted is a card someone put there (a
    // copy of a card in memory, a test). Removable media come first.
    auto volumePlace = [](const char *path) {
        for (const char *place : {"/media/", "/run/media/", "/mnt/"})
            if (std::strncmp(path, place, std::strlen(place)) == 0) return true;
        return false;
    };
    for (const sOsVolume &v : all)
        if (std::strcmp(v.fsType, "tmpfs") != 0 || volumePlace(v.path)) gSnapshot.push_back(v);
    std::stable_partition(gSnapshot.begin(), gSnapshot.end(), [](const sOsVolume &v) { return removable(v.path); });
    return static_cast<int>(gSnapshot.size());
}

int qtVolumeGet(int i, sOsVolume *out) {
    if (i < 0 || i >= static_cast<int>(gSnapshot.size())) return -1;
    *out = gSnapshot[i];
    return 0;
}

int qtEject(const char *root, char *why, size_t cap) {
    if (why && cap) why[0] = 0;
    if (!root || !*root) return fail(why, cap, QStringLiteral("no volume"));
    QByteArray point(root);
    while (point.size() > 1 && point.endsWith('/')) point.chop(1);
    // A test gives its own bus; the session's system bus otherwise.
    QByteArray address = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    int r;
    {
        QDBusConnection bus = address.isEmpty()
                                  ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, kConnection)
                                  : QDBusConnection::connectToBus(QString::fromUtf8(address), kConnection);
        r = ejectOn(bus, point.constData(), point, why, cap);
    }
    QDBusConnection::disconnectFromBus(kConnection);
    return r;
}
