var utilLoads = (typeof utilLoads === "number" ? utilLoads : 0) + 1;
function util() { return "util"; }
