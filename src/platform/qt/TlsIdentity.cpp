#include "TlsIdentity.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cctype>

#include "platform/qt/ShiftJisCodec.h"

namespace Sumirel {

namespace {

// "CN=host, O=maker" from the certificate's main name fields, whichever it has.
QString NameOf(const QSslCertificate& certificate, bool issuer) {
    const QSslCertificate::SubjectInfo fields[] = {
        QSslCertificate::CommonName,
        QSslCertificate::Organization,
        QSslCertificate::OrganizationalUnitName,
        QSslCertificate::LocalityName,
        QSslCertificate::StateOrProvinceName,
        QSslCertificate::CountryName,
    };
    const char* const labels[] = {"CN", "O", "OU", "L", "ST", "C"};
    QStringList parts;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const QStringList values =
            issuer ? certificate.issuerInfo(fields[i]) : certificate.subjectInfo(fields[i]);
        for (const QString& value : values) {
            parts << QStringLiteral("%1=%2").arg(QLatin1String(labels[i]), value);
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString When(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
}

}  // namespace

std::string CertificateFingerprint(const QSslCertificate& certificate) {
    const QByteArray digest = certificate.digest(QCryptographicHash::Sha256);
    return digest.toHex(':').toUpper().toStdString();
}

bool SameFingerprint(const std::string& a, const std::string& b) {
    return !a.empty() && a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::string DescribeCertificate(const QSslCertificate& certificate) {
    const QString text = QString::fromUtf8(
                             "サブジェクト: %1\n発行者: %2\n有効期間: %3 から %4 まで\n"
                             "SHA-256 指紋: %5")
                             .arg(NameOf(certificate, false), NameOf(certificate, true),
                                  When(certificate.effectiveDate()), When(certificate.expiryDate()),
                                  QString::fromStdString(CertificateFingerprint(certificate)));
    return ToShiftJis(text);
}

}  // namespace Sumirel
