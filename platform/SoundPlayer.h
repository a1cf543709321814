#pragma once
// Plays the program's three notification sounds by number: 101 a web page
// arrived instead of a document, 102 the list is finished or downloading was
// stopped by the error rule, 103 a download failed. The download engines call
// PlaySoundResource; the running program installs a Qt Multimedia player,
// tests a recording one, and without either nothing is heard.
#include <QList>

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(int soundId) = 0;

    static SoundPlayer &instance();
    // Install a player (not owned); nullptr restores silence.
    static void setInstance(SoundPlayer *player);
};

class SilentSoundPlayer final : public SoundPlayer
{
public:
    void play(int) override {}
};

// Remembers what was played, for tests.
class RecordingSoundPlayer final : public SoundPlayer
{
public:
    RecordingSoundPlayer() { SoundPlayer::setInstance(this); }
    ~RecordingSoundPlayer() override { SoundPlayer::setInstance(nullptr); }
    void play(int soundId) override { played.append(soundId); }
    QList<int> played;
};

void PlaySoundResource(int soundId);
