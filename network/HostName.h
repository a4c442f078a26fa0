#pragma once
// Host names written for the operating system.
#include <QString>

// An RFC 1123 host name: dot-separated labels of 1-63 ASCII letters, digits
// and hyphens, not starting or ending with a hyphen, 253 characters at most.
bool IsRfc1123HostName(const QString& name);
