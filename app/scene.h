// The scene interface of the show and the one-second fade shared by every scene that is seen.
#pragma once

// A scene is updated once per frame while active; it queues its drawing, it never draws.
class Scene {
 public:
  Scene() = default;
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  virtual ~Scene() = default;

  // Begin showing the scene.
  virtual void Start() {}
  // One frame: advance by the frame timer, read input, queue drawing.
  virtual void Update() = 0;
  // Begin leaving the scene.
  virtual void Leave() {}

  bool active = false;
};

// A scene that fades in when started and out when left, over one second of timer time.
class FadingScene : public Scene {
 public:
  // fade from 0, fading in, active.
  void Start() override;
  // Fades out from wherever fade stands.
  void Leave() override;

  float fade = 0.0f;  // 0 not shown, 1 fully shown; the scene multiplies its drawing by it
  bool fadingIn = false;
  bool fadingOut = false;

 protected:
  // The fade step every update begins with. True when the fade-out ended in this step, which
  // leaves the scene inactive.
  bool StepFade();
  void StepFadeIn();
  bool StepFadeOut();
};
