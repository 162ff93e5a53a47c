#pragma once

namespace kv3::platform {

// Where an operation may let time pass: the fixed pauses of the protocol and the points where the
// window handles what the user did meanwhile. Operations take only this, never a control.
class Pacing {
 public:
  virtual void pause(int ms) = 0;
  virtual void processMessages() = 0;
  // Called again and again while a run waits on a unit beyond the fixed pauses (a connection,
  // a stalled send, the closing answer). The window's waits block by design and do nothing
  // here; a run that can be stopped leaves by an exception from here.
  virtual void checkpoint() {}

 protected:
  ~Pacing() = default;
};

}  // namespace kv3::platform
