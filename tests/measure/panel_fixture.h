#pragma once
// A front panel wired as the main window wires it: a model code the test sets, a scripted
// interaction, and Run Start / Run Stop handlers that record their calls.

#include <string>
#include <vector>

#include "measure/panel_model.h"
#include "measure/run_start_program.h"
#include "measure/texts.h"
#include "support/scripted_interaction.h"

namespace paneltest {

using measure::Ctl;

struct Panel {
  std::string modelCode = "0";
  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  measure::PanelModel panel{ui, [this] { return modelCode; }, texts};
  bool running = false;
  int runStarts = 0;
  int runStops = 0;
  std::vector<Ctl> changed;

  Panel() {
    panel.setRunHandlers([this] { ++runStarts; }, [this] { ++runStops; },
                         [this] { return running; });
    panel.setChangeHandler([this](Ctl id) { changed.push_back(id); });
  }

  // SelectDevice found a V3800A (or a V3820A) where there was none before.
  void identifyFull() {
    modelCode = "3800";
    panel.onFullModelIdentified();
    panel.onModelChanged();
  }
  void identifyCompact() {
    modelCode = "3820";
    panel.onCompactModelIdentified();
    panel.onModelChanged();
  }

  const measure::Control& c(Ctl id) const { return panel.control(id); }
  void select(Ctl id, int index) { panel.select(id, index); }
  void check(Ctl id, bool on = true) { panel.setChecked(id, on); }
  void text(Ctl id, std::string t) { panel.setText(id, std::move(t)); }

  measure::RunStartProgram program() { return measure::buildRunStartProgram(panel, texts); }
  std::vector<std::string> commands() { return program().commands; }
};

}  // namespace paneltest
