#pragma once

#include "LocalFtpServer.h"
#include "PackageUpdaterManifest.h"
#include "UpdateFolderFixture.h"
#include "ZipWriter.h"

#include <QDataStream>
#include <QDir>
#include <QUuid>

#include <zlib.h>

// An update data folder of the test's own (UpdateFolderFixture) and the process's local ftp server
// whose update folders ("/downloads/win32/" and "/staging/win32/", with the folder's sub-path) the
// test fills: the compressed manifest, file packages and device packages as the maker publishes
// them; emptied again when the test ends.
// The update constants point at the server, with a package lock key of the test's own. A test
// whose server is to break down in a transfer gets the process's server of that kind
// (LocalFtpServer), told which breakdown until the test ends.
class UpdateServerFixture : public UpdateFolderFixture
{
public:
    static constexpr const char* s_user = "u1234567";
    static constexpr const char* s_password = "pass1word";
    static constexpr const char* s_archivePassword = "Zq8Lm3Xv7Tn1Pk5";

    explicit UpdateServerFixture(
        const QString& prefix, bool offersSize = true, const QStringList& breakdown = QStringList())
        : UpdateFolderFixture(prefix)
        , m_server(LocalFtpServer::shared(s_user, s_password, offersSize, !breakdown.isEmpty()))
        , m_breaksDown(!breakdown.isEmpty() && m_server.setBreakdown(breakdown))
        , m_breakdownsBefore(m_server.breakdowns())
    {
        emptyServerFolders();
        UpdateConstants::setPackageLockKey(QUuid::createUuid().toString(QUuid::WithoutBraces));
        UpdateConstants::setArchivePassword(s_archivePassword);
        UpdateConstants::setUpdateServer(m_server.address());
        UpdateConstants::setUpdateLogin(s_user, s_password);
        UpdateConstants::setStagingUsed(false);
    }

    ~UpdateServerFixture()
    {
        m_server.waitForClientsGone();
        if (m_breaksDown)
            m_server.setBreakdown(QStringList());
        emptyServerFolders();
    }

    bool ready() const { return isolated() && m_server.port() != 0; }
    // The server has broken off a transfer as told since the test began.
    bool serverBrokeDown() const { return m_breaksDown && m_server.breakdowns() > m_breakdownsBefore; }

    static quint32 crc(const QByteArray& bytes)
    {
        return quint32(::crc32(0L, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
    }

    // A device package file as it lies on the server and in the folder: the firmware package
    // as a data-stream byte array.
    static QByteArray devicePackage(const QByteArray& firmware)
    {
        QByteArray file;
        QDataStream out(&file, QIODevice::WriteOnly);
        out << firmware;
        return file;
    }

    // The server folder, "downloads" or "staging", with the folder's sub-path.
    QString serverFolder(const QString& kind = "downloads") const
    {
        return QDir(m_server.root()).filePath(kind + "/win32/" + subPath());
    }

    bool putManifest(const QByteArray& plain, const QString& kind = "downloads") const
    {
        return writeFile(serverFolder(kind) + "/" + application() + ".pkm", qCompress(plain));
    }
    bool putManifest(const PackageUpdaterResult& manifest, const QString& kind = "downloads") const
    {
        return putManifest(PackageUpdaterManifest::write(manifest, application()), kind);
    }

    // "<name>.pkz": the archive holding the entry's file.
    bool putFilePackage(const UpdaterFileEntry& entry, const QByteArray& contents) const
    {
        ZipWriter writer;
        ZipWriter::Entry file;
        file.name = UpdaterAppData::executableFileName(entry);
        file.data = contents;
        file.deflate = true;
        file.password = s_archivePassword;
        writer.add(file);
        return writeFile(serverFolder() + "/" + UpdaterAppData::archiveFileName(entry.name), writer.archive());
    }

    bool putDevicePackage(const BootloaderFirmwareId& id, const QByteArray& file) const
    {
        return writeFile(serverFolder() + "/" + id.fileName(), file);
    }

private:
    void emptyServerFolders() const
    {
        QDir root(m_server.root());
        for (const QString& folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QDir(root.filePath(folder)).removeRecursively();
    }

    LocalFtpServer& m_server;
    const bool m_breaksDown;
    const int m_breakdownsBefore;
};
