#include "RtTls.h"

namespace {

// The runtime's network error numbers for refused certificates.
constexpr int32_t kErrCertCommonNameInvalid = -200;
constexpr int32_t kErrCertDateInvalid = -201;
constexpr int32_t kErrCertAuthorityInvalid = -202;
constexpr int32_t kErrCertRevoked = -206;
constexpr int32_t kErrCertInvalid = -207;

struct TCertificateFault {
  GTlsCertificateFlags Flags;
  int32_t Code;
  const char* Text;
};

// Most telling first: a revoked or unknown issuer says more than a wrong name.
constexpr TCertificateFault kFaults[] = {
    {G_TLS_CERTIFICATE_REVOKED, kErrCertRevoked, "has been revoked"},
    {G_TLS_CERTIFICATE_UNKNOWN_CA, kErrCertAuthorityInvalid, "is not from a trusted authority"},
    {G_TLS_CERTIFICATE_BAD_IDENTITY, kErrCertCommonNameInvalid, "is for another site"},
    {GTlsCertificateFlags(G_TLS_CERTIFICATE_EXPIRED | G_TLS_CERTIFICATE_NOT_ACTIVATED),
     kErrCertDateInvalid, "is out of date"},
};

}  // namespace

GQuark CertificateErrorQuark() {
  return g_quark_from_static_string("corvane-certificate-error");
}

GError* NewCertificateError(GTlsCertificateFlags errors, const char* host) {
  for (const TCertificateFault& fault : kFaults)
    if (errors & fault.Flags)
      return g_error_new(CertificateErrorQuark(), fault.Code, "The certificate of %s %s", host,
                         fault.Text);
  return g_error_new(CertificateErrorQuark(), kErrCertInvalid, "The certificate of %s is not valid",
                     host);
}
