#include "platform/SoundPlayer.h"

namespace {
SoundPlayer *g_player = nullptr;
}

SoundPlayer &SoundPlayer::instance()
{
    static SilentSoundPlayer silent;
    return g_player ? *g_player : silent;
}

void SoundPlayer::setInstance(SoundPlayer *player)
{
    g_player = player;
}

void PlaySoundResource(int soundId)
{
    if (soundId == 101 || soundId == 102 || soundId == 103)
        SoundPlayer::instance().play(soundId);
}

void PlaySoundResource(NotificationSound sound)
{
    PlaySoundResource(int(sound));
}
