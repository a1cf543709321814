#pragma once
// The sound player of the windowed program: plays the embedded WAV data of
// sounds 101, 102 and 103 (resources ":/sounds/<id>.wav") through Qt
// Multimedia, asynchronously. Where no audio output exists it stays silent.
// The program creates one at start-up; it installs itself as
// SoundPlayer::instance() for its lifetime.
#include "platform/SoundPlayer.h"

#include <QUrl>

#include <map>
#include <memory>

class QSoundEffect;

class MediaSoundPlayer final : public SoundPlayer
{
public:
    MediaSoundPlayer();
    ~MediaSoundPlayer() override;
    MediaSoundPlayer(const MediaSoundPlayer &) = delete;
    MediaSoundPlayer &operator=(const MediaSoundPlayer &) = delete;

    void play(int soundId) override;

    // "qrc:/sounds/<id>.wav"; the resource path is resourcePath(id).
    static QUrl resourceUrl(int soundId);
    static QString resourcePath(int soundId);

private:
    std::map<int, std::unique_ptr<QSoundEffect>> m_effects;
};
