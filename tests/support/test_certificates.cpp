#include "tests/support/test_certificates.h"

#include "platform/wininet/wininet.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace corvane::test {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509* c) const { X509_free(c); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test certificate: ") + what);
}

Key NewKey() {
    Key key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "key generation");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    Check(ext != nullptr, "extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

// issuer/issuer_key null: self-signed.
Cert MakeCert(EVP_PKEY* key, const char* common_name, const char* names, bool is_ca, long not_before_days,
              long not_after_days, X509* issuer, EVP_PKEY* issuer_key) {
    static long serial = 1;
    Cert cert(X509_new());
    X509* c = cert.get();
    X509_set_version(c, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(c), serial++);
    X509_gmtime_adj(X509_getm_notBefore(c), not_before_days * 86400);
    X509_gmtime_adj(X509_getm_notAfter(c), not_after_days * 86400);
    X509_set_pubkey(c, key);
    X509_NAME* name = X509_get_subject_name(c);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Corvane tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(common_name), -1, -1, 0);
    X509_set_issuer_name(c, issuer ? X509_get_subject_name(issuer) : name);
    X509* signer = issuer ? issuer : c;
    if (is_ca) {
        AddExtension(c, signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(c, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(c, signer, NID_basic_constraints, "CA:FALSE");
        AddExtension(c, signer, NID_ext_key_usage, "serverAuth");
        AddExtension(c, signer, NID_subject_alt_name, names);
    }
    AddExtension(c, signer, NID_subject_key_identifier, "hash");
    Check(X509_sign(c, issuer_key ? issuer_key : key, EVP_sha256()) > 0, "signing");
    return cert;
}

std::string CertPem(X509* cert) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(n));
    BIO_free(bio);
    return pem;
}

std::string KeyPem(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(n));
    BIO_free(bio);
    return pem;
}

std::string MakeFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvane-test-pki.XXXXXX";
    Check(mkdtemp(pattern.data()) != nullptr, "temporary folder");
    return pattern;
}

}  // namespace

TestCertificates::TestCertificates() {
    folder_ = MakeFolder();
    const Key ca_key = NewKey();
    const Cert ca = MakeCert(ca_key.get(), "Corvane Test Authority", nullptr, true, -1, 30, nullptr, nullptr);
    ca_file_ = folder_ + "/test-ca.pem";
    std::ofstream(ca_file_, std::ios::binary) << CertPem(ca.get());

    const char* local_names = "IP:127.0.0.1,DNS:localhost";
    const Key server_key = NewKey();
    server_ = {CertPem(MakeCert(server_key.get(), "127.0.0.1", local_names, false, -1, 30, ca.get(), ca_key.get()).get()),
               KeyPem(server_key.get())};
    expired_ = {CertPem(MakeCert(server_key.get(), "127.0.0.1", local_names, false, -3, -1, ca.get(), ca_key.get()).get()),
                KeyPem(server_key.get())};
    wrong_name_ = {CertPem(MakeCert(server_key.get(), "wrong.invalid", "DNS:wrong.invalid", false, -1, 30, ca.get(),
                                    ca_key.get()).get()),
                   KeyPem(server_key.get())};
    const Key self_key = NewKey();
    untrusted_ = {CertPem(MakeCert(self_key.get(), "127.0.0.1", local_names, false, -1, 30, nullptr, nullptr).get()),
                  KeyPem(self_key.get())};
    const std::string folder = folder_;
    static std::string s_cleanup;
    s_cleanup = folder;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(s_cleanup, ec);
    });
}

const TestCertificates& TestCertificates::Instance() {
    static const TestCertificates instance;
    return instance;
}

void TrustTestAuthority() {
    std::string file = TestCertificates::Instance().CaFile();
    InternetSetOptionA(nullptr, INTERNET_OPTION_TEST_CA_FILE, file.data(), static_cast<DWORD>(file.size()));
}

}  // namespace corvane::test
