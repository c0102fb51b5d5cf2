postMessage("SECRET from a worker");
