#pragma once
// How account passwords are kept in UserDataBase.db: a salted PBKDF2 key,
// stored as "pbkdf2-sha256$<iterations>$<salt>$<key>" (salt and key in
// base64). Rows written by earlier versions hold the password in clear;
// they still match until the next log-in rewrites them.
#include <QString>

namespace PasswordHash {

// Iterations for new keys. The count is stored with each key; Matches
// trusts only this one, so a raise must keep the old count accepted there.
inline constexpr int kIterations = 20000;

QString Make(const QString& password, int iterations = kIterations);
bool IsHashed(const QString& stored);
// An empty stored value matches nothing: no account opens with an empty
// password. A key counts only with a round count this program writes:
// kIterations or the caller's own.
bool Matches(const QString& password, const QString& stored, int ownIterations = kIterations);

}  // namespace PasswordHash
