#pragma once
// A TLS server's certificate as the user sees it: its SHA-256 fingerprint in the form the
// settings store, and lines describing it for a question box or a terminal.

#include <QSslCertificate>

#include <string>

namespace Sumirel {

// "AA:BB:...": upper-case hex byte pairs joined by ':', as openssl x509 -fingerprint prints.
std::string CertificateFingerprint(const QSslCertificate& certificate);

// Equal fingerprints, whatever the case of their letters; an empty one equals nothing.
bool SameFingerprint(const std::string& a, const std::string& b);

// Subject, issuer, validity and fingerprint, one per line (LF), in Shift-JIS.
std::string DescribeCertificate(const QSslCertificate& certificate);

}  // namespace Sumirel
