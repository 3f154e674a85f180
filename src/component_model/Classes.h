#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TPublishedClass;

// Root of everything that can be the Sender of an event.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The published properties of the object's class (PublishedProps.h); nullptr for none.
  virtual const TPublishedClass* ClassInfo() const { return nullptr; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

// Binds a method of object as an event handler.
template <class TClass, class... TArgs>
std::function<void(TArgs...)> MethodEvent(TClass* object, void (TClass::*method)(TArgs...)) {
  return [object, method](TArgs... args) { (object->*method)(std::forward<TArgs>(args)...); };
}

// A component is owned by the component that created it and destroyed with it. Components are
// destroyed only through Free(), so that BeforeDestruction and the owned components' destruction
// run while the object is still whole (a C++ destructor no longer sees the derived class).
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner);

  // BeforeDestruction, then the owned components in reverse creation order, then this.
  void Free();

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(std::string name) { FName = std::move(name); }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }
  // The owned component of that name, compared without regard to letter case; nullptr if none.
  TComponent* FindComponent(const std::string& name) const;

  // True between creation from a stored description and the component's loaded step.
  bool Loading() const { return FLoading; }
  void BeginLoading() { FLoading = true; }
  // The loaded step: runs once the whole stored description has been read.
  virtual void Loaded() { FLoading = false; }

  // Links this component and AComponent so that whichever is destroyed first tells the other
  // through Notification; for references to components that another owner may free.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

 protected:
  ~TComponent() override;
  virtual void BeforeDestruction() {}
  // AComponent, linked by FreeNotification, is being destroyed: drop every reference to it.
  virtual void Notification(TComponent* AComponent) { (void)AComponent; }

 private:
  void DestroyComponents();
  void RemoveComponent(TComponent* component);
  void NotifyFreeNotifies();

  TComponent* FOwner;
  std::string FName;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  bool FLoading = false;
};

// Frees a component that has no owner when the pointer goes, as an owner would.
struct TComponentFree {
  void operator()(TComponent* component) const {
    if (component) component->Free();
  }
};
template <class T>
using TOwnedComponent = std::unique_ptr<T, TComponentFree>;
