#pragma once
// What a frame pump thread runs: one pass at a time while it is told to run.
class FramePump {
public:
    virtual ~FramePump() = default;
    virtual void pumpBegin() {}
    // One pass; false: pass again at once (no sleep between passes).
    virtual bool pumpPass() = 0;
    virtual void pumpEnd() {}
};
