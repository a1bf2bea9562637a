#pragma once
// Certificates made at test time: a test certificate authority and server certificates for the
// loopback server. Nothing is read from the system or committed to the tree.

#include <string>

namespace corvane::test {

// A server certificate with its private key, both PEM.
struct ServerCertificate {
    std::string cert_pem;
    std::string key_pem;
};

class TestCertificates {
public:
    // Made once per process (EC P-256 keys), in a fresh temporary folder that is removed at exit.
    static const TestCertificates& Instance();

    // PEM file of the test authority; clients trust it through the handle layer's test-only option.
    const std::string& CaFile() const { return ca_file_; }

    // Signed by the test authority for 127.0.0.1 and localhost, valid now.
    const ServerCertificate& Server() const { return server_; }
    // Signed by the test authority for the same names, but its validity ended yesterday.
    const ServerCertificate& Expired() const { return expired_; }
    // Signed by the test authority for "wrong.invalid" only.
    const ServerCertificate& WrongName() const { return wrong_name_; }
    // Self-signed for 127.0.0.1: no trusted authority vouches for it.
    const ServerCertificate& Untrusted() const { return untrusted_; }

private:
    TestCertificates();
    std::string folder_;
    std::string ca_file_;
    ServerCertificate server_, expired_, wrong_name_, untrusted_;
};

// Makes every later request of the process trust the test authority (the layer's test-only option).
void TrustTestAuthority();

}  // namespace corvane::test
