// The one way a modeless window or dialog owns itself: made with new, handed to its window with
// OwnSelf() once the window exists, deleted after the window's last message. Until OwnSelf the
// creator owns the object (and deletes it when the window could not be made); an object that
// never calls it (a dialog run modally on the stack) is never deleted by its window.
#pragma once

template <class Base>
class CSelfOwned : public Base {
  public:
    using Base::Base;

    void OwnSelf() { m_bOwnsItself = true; }

  protected:
    void OnFinalMessage() override {
        if (m_bOwnsItself)
            delete this;
    }

  private:
    bool m_bOwnsItself = false;
};
