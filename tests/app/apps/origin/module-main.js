import { answer } from "./lib.js";
window.moduleScriptDone("module script " + answer());
