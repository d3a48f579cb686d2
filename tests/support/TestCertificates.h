#pragma once
// TLS certificates for the upload tests, made by openssl in a temporary folder: self-signed
// ones and ones signed by a test authority, all for the name 127.0.0.1. Each server file
// holds the certificate and its key (PEM), as the test servers read them.

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace SumirelTest {

class TestCertificates {
public:
    TestCertificates();

    std::string selfSigned;       // for 127.0.0.1
    std::string otherSelfSigned;  // another one, as a server that changed its certificate
    std::string authority;        // the test authority's certificate alone
    std::string signedByAuthority;
    std::string signedForAnotherName;  // by the authority, for other.example only

    // As openssl x509 -noout -fingerprint -sha256 prints it after the '='.
    static std::string Fingerprint(const std::string& pemFile);

private:
    TempDir dir_;
};

// Made once for the whole test program.
const TestCertificates& Certificates();

// Runs a program (found on PATH) and returns its standard output; throws when it fails.
std::string RunProgram(const std::vector<std::string>& args);

}  // namespace SumirelTest
