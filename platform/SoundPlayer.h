#pragma once
// Plays the program's three notification sounds by number: 101 a web page
// arrived instead of a document, 102 the list is finished or downloading was
// stopped by the error rule, 103 a download failed. The download engines call
// PlaySoundResource; the running program installs a Qt Multimedia player,
// tests their own, and without either nothing is heard.

// The three notification sounds; the numbers are the ids players receive.
enum class NotificationSound {
    WebPage = 101,      // a web page arrived instead of a document
    ListFinished = 102, // the list is finished, or the error rule stopped downloading
    Failed = 103,       // a download failed
};

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

void PlaySoundResource(int soundId);
void PlaySoundResource(NotificationSound sound);
