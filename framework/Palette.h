// The component palette of a form designer: pages of component classes that
// a designer offers and creates. Units register their classes from their
// Register routine.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "framework/Classes.h"

// A component class as a designer sees it: its name and how to create one.
struct TComponentClass {
  std::string ClassName;
  TComponent* (*Create)(TComponent* AOwner);
};

template <class T>
TComponentClass ComponentClassOf() {
  return {ClassNameOf(typeid(T)), [](TComponent* AOwner) -> TComponent* { return new T(AOwner); }};
}

// Adds the classes to the page, creating the page when it is new; a class
// already on the page is not added twice.
void RegisterComponents(std::string_view Page, std::initializer_list<TComponentClass> Classes);

// The pages in the order they were first registered, and a page's classes
// in the order they were added (none for an unknown page).
std::vector<std::string> PalettePages();
std::vector<TComponentClass> PaletteClasses(std::string_view Page);
