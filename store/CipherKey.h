#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace vorbel {

/// The cipher's key for a password, derived here rather than by the cipher library. The library derives
/// it with PBKDF2-HMAC-SHA1 too, but through the generic digest interface, which costs several times the
/// hashing itself on every one of its many rounds; the store's opening waits on it at every start. The key
/// is the same, so the file stays what the stock `sqlcipher` shell opens with the password.
namespace cipherkey {

/// Bytes of a store key (the cipher's 256-bit key).
constexpr int KeyLength = 32;
/// Bytes of the random salt the cipher keeps at the very start of a keyed file.
constexpr int SaltLength = 16;

/// PBKDF2 with HMAC-SHA1 (RFC 8018): `length` bytes from password and salt after `iterations` rounds.
QByteArray pbkdf2HmacSha1(QByteArrayView password, QByteArrayView salt, int iterations, int length);

/// The salt of an existing keyed file: its first SaltLength bytes; nothing for a file too short to hold
/// a keyed page or one that cannot be read.
std::optional<QByteArray> fileSalt(const QString& path);

/// The text the cipher's key call takes for a raw key in place of a password: x'<hex>'.
QByteArray rawKeyText(const QByteArray& key);

} // namespace cipherkey
} // namespace vorbel
