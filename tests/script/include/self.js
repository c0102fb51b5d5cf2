@include self
var selfLoads = (typeof selfLoads === "number" ? selfLoads : 0) + 1;
