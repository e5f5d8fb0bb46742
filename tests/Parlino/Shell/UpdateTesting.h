#pragma once

#include "Base/Json.h"

#include <QByteArray>

#include <sodium.h>

namespace UpdateTesting {

// A fresh Ed25519 key pair that signs release documents the way the publisher does.
struct Signer {
    QByteArray publicKey{crypto_sign_PUBLICKEYBYTES, Qt::Uninitialized};
    QByteArray secretKey{crypto_sign_SECRETKEYBYTES, Qt::Uninitialized};

    Signer() {
        if (sodium_init() < 0)
            throw std::runtime_error("libsodium failed to initialise");
        crypto_sign_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                            reinterpret_cast<unsigned char*>(secretKey.data()));
    }

    QByteArray sign(const QByteArray& document) const {
        QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
        crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char*>(document.constData()),
                             static_cast<unsigned long long>(document.size()),
                             reinterpret_cast<const unsigned char*>(secretKey.constData()));
        return signature;
    }
};

inline QByteArray releaseDocument(const char* version,
                                  const char* page = "https://parlino.example/download",
                                  const char* notes = "Faster reads.") {
    return QByteArray("{\"version\": \"") + version + "\", \"downloadPage\": \"" + page +
           "\", \"notes\": \"" + notes + "\"}";
}

inline QByteArray envelope(const QByteArray& document, const QByteArray& signature) {
    Base::Json::Value json;
    json["feed"] = document.toBase64().toStdString();
    json["signature"] = signature.toBase64().toStdString();
    return Base::Json::serialize(json).value();
}

} // namespace UpdateTesting
