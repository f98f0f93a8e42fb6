#pragma once
#include <QObject>

class DialogLookTest : public QObject {
    Q_OBJECT
  private slots:
    void DialogUnitsRoundLikeTheDialogManager();
    void DialogUnitsFollowTheFont();
    void DialogFontRendersChinese();
    void MessageBoxesGetTheDialogColours();
    void ClosedDialogsLeaveNoPixmapsInTheCache();
    void FadeTakesItsTimeKeepsEventsFlowingAndHides();
    void FadeOfNullHiddenOrDestroyedWindowReturns();
    void CentredWindowStaysOnTheScreen();
};

class DlgLogTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void ShowsThePictureOneToOneWithTitleAndIcon();
    void ClosesItselfAfterTheTimerAndTheFade();
    void EnterAndEscCloseAtOnceWithoutFade();
    void KeyDuringTheFadeKeepsItsResult();
    void CanBeRunAgain();
};

class ResourcesTest : public QObject {
    Q_OBJECT
  private slots:
    void WavesHaveTheirFormatsAndLengths();
    void PlayWaveResourceHandsOverTheBytesOrNothing();
    void IconsAndStartPictureAreEmbedded();
};
