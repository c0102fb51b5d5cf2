import { answer } from "./lib.js";
postMessage("module worker " + answer());
