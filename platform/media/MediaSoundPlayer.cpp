#include "platform/media/MediaSoundPlayer.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>

MediaSoundPlayer::MediaSoundPlayer()
{
    // The resources live in a static library: nothing else pulls them in.
    Q_INIT_RESOURCE(sounds);
    SoundPlayer::setInstance(this);
}

MediaSoundPlayer::~MediaSoundPlayer()
{
    if (&SoundPlayer::instance() == this)
        SoundPlayer::setInstance(nullptr);
}

QString MediaSoundPlayer::resourcePath(int soundId)
{
    return QStringLiteral(":/sounds/%1.wav").arg(soundId);
}

QUrl MediaSoundPlayer::resourceUrl(int soundId)
{
    return QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(soundId));
}

void MediaSoundPlayer::play(int soundId)
{
    if (soundId != 101 && soundId != 102 && soundId != 103)
        return;
    // Asked each time: a headset plugged in later is heard, a machine
    // without any output is not bothered with a player at all.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    std::unique_ptr<QSoundEffect> &effect = m_effects[soundId];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(resourceUrl(soundId));
    }
    effect->play();
}
