#pragma once

#include <gio/gio.h>

#include <cstdint>

// Certificate failures travel as GErrors of this domain whose code is already the runtime's
// error number for the client.
GQuark CertificateErrorQuark();
GError* NewCertificateError(GTlsCertificateFlags errors, const char* host);
