#pragma once
#include "platform/SoundPlayer.h"

#include <QList>

// Remembers what was played, for tests.
class RecordingSoundPlayer final : public SoundPlayer
{
public:
    RecordingSoundPlayer() { SoundPlayer::setInstance(this); }
    ~RecordingSoundPlayer() override { SoundPlayer::setInstance(nullptr); }
    void play(int soundId) override { played.append(soundId); }
    QList<int> played;
};
