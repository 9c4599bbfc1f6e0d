#include "FileHash.h"

#include <QFile>

#if VXR_HAVE_OPENSSL
#include <openssl/evp.h>

#include <memory>
#else
#include <QCryptographicHash>
#endif

namespace vxr {

namespace {

#if VXR_HAVE_OPENSSL
QByteArray digestOf(QFile &file)
{
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return {};
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 read = file.read(chunk.data(), chunk.size());
        if (read < 0)
            return {};
        if (read == 0)
            break;
        if (EVP_DigestUpdate(context.get(), chunk.constData(), size_t(read)) != 1)
            return {};
    }
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), reinterpret_cast<unsigned char *>(digest.data()), &length) != 1)
        return {};
    digest.truncate(int(length));
    return digest;
}
#else
QByteArray digestOf(QFile &file)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&file) ? hash.result() : QByteArray();
}
#endif

} // namespace

QString fileSha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(digestOf(file).toHex());
}

} // namespace vxr
